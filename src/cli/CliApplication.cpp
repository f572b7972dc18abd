#include "cli/CliApplication.h"

#include "app/Settings.h"
#include "app/UserLibrary.h"
#include "cli/CheckCommand.h"
#include "cli/FolderCommands.h"
#include "cli/ScheduleCommand.h"
#include "cli/SkipCommand.h"
#include "cli/StageCommands.h"
#include "cli/StatusCommand.h"
#include "net/ServerAddress.h"
#include "net/TransferSettings.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace kelvarin::cli {

namespace {

constexpr const char* Footer =
    "\nEvery stage prints its final status line on stdout, as the last line of the\n"
    "command; connect prints the remote items before it, one per line. Messages,\n"
    "questions and the cause of a failed connection go to stderr, and so does\n"
    "progress when stderr is a terminal. Questions are asked only when stdin is a\n"
    "terminal; otherwise update answers No and clear answers Cancel (use --yes).\n"
    "run goes on after a stage that fails, but no stage takes a day that the\n"
    "stage before it has not completed. Ctrl+C pauses after the item in hand; a\n"
    "second Ctrl+C quits.\n"
    "A stage whose folder another Kelvarin process is writing fails at once,\n"
    "unless --wait gives that process time; Ctrl+C ends the wait.\n"
    "schedule --at exits 1 and installs nothing where there is no systemd user\n"
    "session; it prints the crontab line for the same run on stdout instead.\n"
    "An https:// server must show a certificate for its host name, in date and\n"
    "issued by a trusted authority; there is no way to skip that check.\n"
    "check reads every history file and the daily files applied, changes nothing\n"
    "(unless --repair), and prints its findings by file with a summary line last.\n"
    "Exit status: 0 done, 1 a stage reported a failure or check found a fault,\n"
    "2 a usage error or a name that is not in its list.";

// The base folder names no separator at its end (unless it is the root), as
// every file name appended to it starts with one.
std::string AsBaseFolder(std::string folder) {
    if (!folder.starts_with('/'))
        folder = CurrentDirectory() + "/" + folder;
    while (folder.size() > 1 && folder.ends_with('/'))
        folder.pop_back();
    return folder;
}

// `text` as one word of a shell command line, quoted only when it has to be.
std::string ShellWord(const std::string& text) {
    constexpr std::string_view Plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                       "0123456789_./-+,:@%=";
    if (!text.empty() && text.find_first_not_of(Plain) == std::string::npos)
        return text;
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The working folders exactly as the desktop program starts with them.
WorkingFolders StartUpFolders(const std::string& baseFolder) {
    WorkingFolders folders;
    folders.BaseFolder = baseFolder;
    ReadSettings(folders.SettingsPath(), folders);
    return folders;
}

} // namespace

CliDefaults CliDefaults::FromEnvironment() {
    const char* server = std::getenv("KELVARIN_SERVER");
    std::error_code ignored;
    const std::string program = std::filesystem::read_symlink("/proc/self/exe", ignored);
    TransferLimits limits;
    if (const char* stall = std::getenv("KELVARIN_STALL_SECONDS"); stall && std::atol(stall) > 0)
        limits.lowSpeedTime = std::chrono::seconds(std::atol(stall));
    return {CurrentDirectory(),
            server && *server ? server : DefaultExchangeServer,
            UserLibraryFolder(),
            InstalledStartPage(program),
            CertificateTrustFromEnvironment(),
            limits,
            program,
            UserUnitFolder()};
}

CliApplication::CliApplication(const CliStreams& streams, CliDefaults defaults)
    : m_streams(streams), m_defaults(std::move(defaults)) {}

int CliApplication::Run(const std::vector<std::string>& args) {
    CLI::App app("Kelvarin Downloader: builds stock history files from the exchange's daily "
                 "price archives.",
                 "kelvarin-cli");
    app.footer(Footer);
    app.require_subcommand(1);
    app.set_version_flag("--version", "kelvarin-cli " KELVARIN_VERSION);
    app.set_help_all_flag("--help-all", "Print this help with every command's options");
    std::string baseFolder = m_defaults.baseFolder;
    std::string server = m_defaults.server;
    bool userLibrary = false;
    // No default shown for --base: the manual page is made from this help.
    CLI::Option* base = app.add_option("--base", baseFolder,
                                       "Base folder holding kelvarin.ini (default: the current "
                                       "folder)");
    app.add_flag("--user-library", userLibrary,
                 "Base folder $XDG_DATA_HOME/Kelvarin (~/.local/share/Kelvarin), made when "
                 "missing, as the desktop menu's kelvarin uses")
        ->excludes(base);
    app.add_option("--server", server, "Exchange address such as http://127.0.0.1:8080")
        ->capture_default_str();
    std::string caFile;
    const CLI::Option* cacert =
        app.add_option("--cacert", caFile,
                       "Trust only the certificate authorities in this PEM file for https:// "
                       "servers (default: $CURL_CA_BUNDLE, else $SSL_CERT_DIR, else "
                       "$SSL_CERT_FILE, else the system's trust store)")
            ->type_name("FILE");
    int waitSeconds = 0;
    // Nine digits at most: any int holds them.
    const CLI::Validator seconds(
        [](std::string& text) -> std::string {
            const bool number = !text.empty() && text.size() <= 9 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            return number ? "" : text + " is not a number of seconds from 0 to 999999999";
        },
        "");
    app.add_option("--wait", waitSeconds,
                   "When another Kelvarin process is writing a folder a stage writes, wait up to "
                   "SECONDS for it instead of failing at once")
        ->type_name("SECONDS")
        ->check(seconds);
    int connections = DefaultConnections;
    app.add_option("--connections", connections,
                   "Archive transfers Download keeps under way at once (1 to 16)")
        ->capture_default_str()
        ->check(CLI::Range(MinConnections, MaxConnections))
        ->type_name("N");

    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<FoldersCommand>());
    commands.push_back(std::make_unique<ConnectCommand>());
    commands.push_back(std::make_unique<DownloadCommand>());
    commands.push_back(std::make_unique<UnzipCommand>());
    commands.push_back(std::make_unique<UpdateCommand>());
    commands.push_back(std::make_unique<ClearCommand>());
    commands.push_back(std::make_unique<RunCommand>());
    commands.push_back(std::make_unique<SkipCommand>());
    commands.push_back(std::make_unique<StatusCommand>());
    commands.push_back(std::make_unique<ScheduleCommand>(
        ScheduleSetup{m_defaults.program, m_defaults.userUnitFolder, *m_defaults.systemctl}));
    commands.push_back(std::make_unique<CheckCommand>());
    std::vector<std::pair<CLI::App*, Command*>> byName;
    for (const auto& command : commands)
        byName.emplace_back(command->AddTo(app), command.get());

    // CLI11 takes its arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, m_streams.out, m_streams.err);
        return code == 0 ? 0 : ExitUsage;
    }

    std::string error;
    const std::optional<std::string> checkedServer = CheckServerAddress(server, error);
    if (!checkedServer) {
        m_streams.err << error << '\n';
        return ExitUsage;
    }
    CertificateTrust trust = m_defaults.trust;
    if (cacert->count() > 0) {
        if (!CheckCertificateFile(caFile, error)) {
            m_streams.err << error << '\n';
            return ExitUsage;
        }
        trust = {.caFile = caFile};
    }
    if (userLibrary) {
        if (!PrepareUserLibrary(m_defaults.userLibrary, m_defaults.installedStartPage, &error)) {
            m_streams.err << error << '\n';
            return ExitFailure;
        }
        baseFolder = m_defaults.userLibrary;
    }
    CliContext context(StartUpFolders(AsBaseFolder(baseFolder)), *checkedServer, m_streams);
    context.stage.transfer.trust = std::move(trust);
    context.stage.transfer.connections = connections;
    context.stage.transfer.limits = m_defaults.limits;
    context.frontEnd.SetCommandPrefix("kelvarin-cli --base " +
                                      ShellWord(context.folders.BaseFolder));
    context.frontEnd.SetFolderWait(std::chrono::seconds(waitSeconds));
    for (const auto& [subcommand, command] : byName) {
        if (subcommand->parsed())
            return command->Run(context);
    }
    return ExitUsage;
}

} // namespace kelvarin::cli
