#include "exchange/MarketGenerator.h"
#include "exchange/RunExchange.h"

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

using kelvarin::exchange::ExchangeOptions;
using kelvarin::exchange::MarketGenerator;
using kelvarin::exchange::TradingDate;

int main(int argc, char** argv) {
    ExchangeOptions options;
    CLI::App app{"kelvarin-exchange: a simulated exchange price server on 127.0.0.1"};

    app.add_option("--address", options.address, "IPv4 address to listen on")
        ->capture_default_str()
        ->check(CLI::ValidIPV4);
    app.add_option("--port", options.port, "Port to listen on; 0 picks a free one")
        ->check(CLI::Range(0, 65535));
    app.add_option("--days", options.market.days, "Trading days offered")
        ->check(CLI::Range(std::size_t(0), MarketGenerator::MaxDays));
    app.add_option("--stocks", options.market.stocks, "Stocks listed on the first day")
        ->check(CLI::Range(std::size_t(0), MarketGenerator::MaxStocks));
    std::string firstDate = options.market.firstDate.ToString();
    app.add_option("--first-date", firstDate, "First trading day, YYYY-MM-DD")
        ->check(CLI::Validator(
            [](std::string& text) {
                return TradingDate::Parse(text) ? std::string() : "not a date: " + text;
            },
            "YYYY-MM-DD"));
    app.add_option("--seed", options.market.seed, "Seed of the generated market");
    app.add_flag("--warm", options.warm, "Build every archive before serving");
    app.add_option("--request-log", options.requestLog,
                   "Append the id of every archive asked for to this file, one a line");
    CLI::Option* certificate =
        app.add_option("--tls-cert", options.tls.certificate,
                       "Serve HTTPS with this PEM certificate (chain), made for 127.0.0.1")
            ->check(CLI::ExistingFile);
    CLI::Option* key = app.add_option("--tls-key", options.tls.key,
                                      "The PEM private key of the --tls-cert certificate")
                           ->check(CLI::ExistingFile);
    certificate->needs(key);
    key->needs(certificate);

    auto& faults = options.faults;
    app.add_option("--missing", faults.missing, "Answer 404 for this archive id");
    app.add_option("--corrupt", faults.corrupt, "Serve bytes that are not a zip for this id");
    app.add_option("--stall", faults.stall, "Send half of this archive, then hold the connection");
    app.add_option("--cut", faults.cut, "Send half of this archive without a length, then close");
    app.add_option("--error500", faults.error500, "Answer 500 for this archive id");
    app.add_option("--unlisted", faults.unlisted,
                   "Leave this archive id out of the index page (it is still served)");
    app.add_option("--offered", faults.offeredDays,
                   "Publish only the first this many of the --days days (0: all)");
    app.add_option("--extra-id", faults.extraIds, "Add an index link with this id text");
    app.add_flag("--redirect-loop", faults.redirectLoop,
                 "The index page and /redirect-loop redirect to themselves");
    app.add_option("--slow-ms", faults.slowMs, "Delay every reply by this many milliseconds")
        ->check(CLI::NonNegativeNumber);
    std::vector<std::string> delays;
    app.add_option("--delay", delays, "Delay the reply for archive ID by MS milliseconds")
        ->type_name("ID=MS")
        ->check(CLI::Validator(
            [](std::string& text) {
                const std::size_t equals = text.rfind('=');
                // At most 7 digits: no delay of the tests needs more than minutes.
                return equals != std::string::npos && equals + 1 < text.size() &&
                               text.size() - equals - 1 <= 7 &&
                               text.find_first_not_of("0123456789", equals + 1) == std::string::npos
                           ? std::string()
                           : "not ID=MS: " + text;
            },
            "ID=MS"));
    app.add_option("--index-size-mib", faults.indexSizeMib, "Pad the index page to this size");

    CLI11_PARSE(app, argc, argv);
    options.market.firstDate = *TradingDate::Parse(firstDate);
    for (const std::string& delay : delays) {
        const std::size_t equals = delay.rfind('=');
        faults.delayMs[delay.substr(0, equals)] = std::stoi(delay.substr(equals + 1));
    }
    return kelvarin::exchange::RunExchange(options);
}
