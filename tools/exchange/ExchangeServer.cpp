#include "exchange/ExchangeServer.h"

#include "exchange/IndexPage.h"

#include <algorithm>
#include <fcntl.h>
#include <openssl/err.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace kelvarin::exchange {

namespace {

constexpr const char* ArchiveRoute = R"(/webprices\.nsf/stkprices/(.+)/\$File/SESprice\.zip)";
constexpr const char* IndexRoute = R"(/webprices\.nsf/new\+historical\+stock\+prices)";
constexpr const char* LoopPath = "/redirect-loop";
constexpr const char* ZipType = "application/zip";

// Stalled replies each hold a worker until the server stops, so the pool is
// larger than the library's default.
constexpr std::size_t WorkerThreads = 16;

std::string NotAnArchive(const std::string& archive) {
    // Same length as the real archive, but no zip signature survives.
    std::string bytes = archive;
    for (char& byte : bytes)
        byte = static_cast<char>(byte ^ 0x5A);
    return bytes;
}

std::string ErrorPage(int status) {
    const std::string code = std::to_string(status);
    const char* cause = status == 404 ? "HTTP Web Server: Couldn't find design note"
                                      : "HTTP Web Server: Lotus Notes Exception";
    return "<html>\n<head><title>Error</title></head>\n<body text=\"#000000\">\n<h1>Error " + code +
           "</h1>" + cause + "\n</body>\n</html>\n";
}

std::unique_ptr<httplib::Server> MakeServer(const TlsFiles& tls) {
    if (!tls.Enabled())
        return std::make_unique<httplib::Server>();
    auto server = std::make_unique<httplib::SSLServer>(tls.certificate.c_str(), tls.key.c_str());
    if (!server->is_valid()) {
        const unsigned long error = ERR_peek_last_error();
        const char* reason = error != 0 ? ERR_reason_error_string(error) : nullptr;
        throw std::runtime_error("cannot serve HTTPS with the certificate " + tls.certificate +
                                 " and the key " + tls.key + ": " +
                                 (reason != nullptr ? reason : "not usable"));
    }
    return server;
}

// The days not yet published answer as any unknown archive does. The market
// is still generated over all days, so each evening's exchange offers the
// same archives as the evening before, and one more.
FaultPlan Published(FaultPlan faults, const MarketGenerator& market) {
    if (faults.offeredDays == 0)
        return faults;
    for (std::size_t day = faults.offeredDays; day < market.DayCount(); ++day) {
        faults.unlisted.insert(market.IdOf(day));
        faults.missing.insert(market.IdOf(day));
    }
    return faults;
}

} // namespace

ExchangeServer::ExchangeServer(const MarketSettings& market, FaultPlan faults,
                               std::size_t cacheBytes, const TlsFiles& tls)
    : m_market(market), m_archives(m_market, cacheBytes),
      m_faults(Published(std::move(faults), m_market)),
      m_indexPage(IndexPage::Build(m_market, m_faults.extraIds, m_faults.indexSizeMib << 20,
                                   m_faults.unlisted)),
      m_server(MakeServer(tls)) {
    m_server->new_task_queue = [] { return new httplib::ThreadPool(WorkerThreads); };
    // A downloader reusing one connection for thousands of archives must not
    // be cut off every few requests; idle connections still end soon, since
    // they hold up a stop.
    m_server->set_keep_alive_max_count(1000000);
    m_server->set_keep_alive_timeout(2);
    // Headers and body go out in separate writes; with Nagle's algorithm the
    // body then waits for the client's delayed acknowledgement, some 40 ms
    // per archive.
    m_server->set_tcp_nodelay(true);
    AddRoutes();
}

void ExchangeServer::AddRoutes() {
    if (m_faults.slowMs > 0) {
        m_server->set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
            Wait(std::chrono::milliseconds(m_faults.slowMs));
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
    m_server->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty() && !response.has_header("Location"))
            response.set_content(ErrorPage(response.status), "text/html");
    });
    m_server->Get(IndexRoute, [this](const httplib::Request&, httplib::Response& response) {
        if (m_faults.redirectLoop)
            response.set_redirect(IndexPage::Path);
        else
            response.set_content(m_indexPage, "text/html");
    });
    if (m_faults.redirectLoop) {
        m_server->Get(LoopPath, [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(LoopPath);
        });
    }
    m_server->Get(ArchiveRoute,
                  [this](const httplib::Request& request, httplib::Response& response) {
                      ServeArchive(request, response);
                  });
}

void ExchangeServer::LogRequestsTo(const std::string& path) {
    m_requestLog = path;
}

void ExchangeServer::ServeArchive(const httplib::Request& request, httplib::Response& response) {
    const std::string id = request.matches[1];
    if (!m_requestLog.empty())
        LogRequest(id);
    if (const auto delay = m_faults.delayMs.find(id); delay != m_faults.delayMs.end())
        Wait(std::chrono::milliseconds(delay->second));
    if (m_faults.missing.count(id) != 0) {
        response.status = 404;
        return;
    }
    if (m_faults.error500.count(id) != 0) {
        response.status = 500;
        return;
    }
    std::optional<std::size_t> day = m_market.FindDay(id);
    const bool extra = std::find(m_faults.extraIds.begin(), m_faults.extraIds.end(), id) !=
                       m_faults.extraIds.end();
    if (!day && extra && m_market.DayCount() > 0)
        day = 0;
    if (!day) {
        response.status = 404;
        return;
    }
    std::shared_ptr<const std::string> archive = m_archives.Get(*day);
    if (m_faults.corrupt.count(id) != 0) {
        response.set_content(NotAnArchive(*archive), ZipType);
        return;
    }
    const std::size_t half = archive->size() / 2;
    if (m_faults.stall.count(id) != 0) {
        // The full length is announced, so the client keeps waiting for the
        // rest of a body that never comes.
        response.set_content_provider(
            archive->size(), ZipType,
            [this, archive, half](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset < half)
                    return sink.write(archive->data() + offset, half - offset);
                WaitForStop();
                return false;
            });
        return;
    }
    if (m_faults.cut.count(id) != 0) {
        // No length: the end of the connection is the end of the body, so the
        // client cannot tell this short body from a whole one.
        response.set_content_provider(
            ZipType, [archive, half](std::size_t offset, httplib::DataSink& sink) {
                if (offset < half)
                    return sink.write(archive->data() + offset, half - offset);
                sink.done();
                return true;
            });
        return;
    }
    response.set_content(*archive, ZipType);
}

// One write of a whole line to a file opened for appending: lines of
// concurrent requests, and of servers run one after another, never mix.
void ExchangeServer::LogRequest(const std::string& id) const {
    const int fd = ::open(m_requestLog.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    const std::string line = id + "\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

void ExchangeServer::Warm() {
    for (std::size_t day = 0; day < m_market.DayCount(); ++day)
        m_archives.Get(day);
}

int ExchangeServer::Bind(const std::string& address, int port) {
    if (port == 0)
        port = m_server->bind_to_any_port(address);
    else if (!m_server->bind_to_port(address, port))
        port = -1;
    if (port < 0)
        throw std::runtime_error("cannot listen on " + address);
    return port;
}

void ExchangeServer::Run() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_runStarted = true;
    }
    m_server->listen_after_bind();
    m_runFinished = true;
}

void ExchangeServer::Stop() {
    bool runStarted = false;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        runStarted = m_runStarted;
    }
    m_stopRequested.notify_all();
    // The library ignores a stop that comes before its accept loop is up;
    // wait for it so a signal right after start-up is not lost.
    while (runStarted && !m_server->is_running() && !m_runFinished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_server->stop();
}

void ExchangeServer::Wait(std::chrono::milliseconds delay) {
    std::unique_lock lock(m_mutex);
    m_stopRequested.wait_for(lock, delay, [this] { return m_stopping; });
}

void ExchangeServer::WaitForStop() {
    std::unique_lock lock(m_mutex);
    m_stopRequested.wait(lock, [this] { return m_stopping; });
}

} // namespace kelvarin::exchange
