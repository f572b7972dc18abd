#include "exchange/RunExchange.h"

#include "exchange/ExchangeServer.h"
#include "exchange/ShutdownSignals.h"

#include <cstdio>
#include <exception>

namespace kelvarin::exchange {

int RunExchange(const ExchangeOptions& options) {
    try {
        ShutdownSignals signals;
        ExchangeServer server(options.market, options.faults, options.cacheBytes, options.tls);
        if (options.warm)
            server.Warm();
        if (!options.requestLog.empty())
            server.LogRequestsTo(options.requestLog);
        const int port = server.Bind(options.address, options.port);
        signals.OnSignal([&server] { server.Stop(); });
        // The listening socket already queues connections, so a client that
        // reads this line may connect before the accept loop runs.
        std::printf("%s://%s:%d\n", options.tls.Enabled() ? "https" : "http",
                    options.address.c_str(), port);
        std::fflush(stdout);
        server.Run();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelvarin-exchange: %s\n", error.what());
        return 1;
    }
}

} // namespace kelvarin::exchange
