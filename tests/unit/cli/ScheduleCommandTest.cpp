#include "cli/CliApplication.h"
#include "support/FileBytes.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace kelvarin::cli {
namespace {

using test::FileExists;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr const char* Server = "http://127.0.0.1:8080";

// The user's service manager as systemctl reaches it, or fails to: every
// call is written down, and a timer shown is enabled and due tomorrow.
class FakeSystemctl : public UserSystemctl {
public:
    FakeSystemctl(std::vector<std::string>& calls, bool session)
        : m_calls(calls), m_session(session) {}

    SystemctlAnswer Run(const std::vector<std::string>& args) override {
        std::string call;
        for (const std::string& arg : args)
            call += (call.empty() ? "" : " ") + arg;
        m_calls.push_back(call);
        if (!m_session)
            return {1, "Failed to connect to bus: No medium found\n"};
        if (args.front() == "show")
            return {0, "UnitFileState=enabled\nActiveState=active\n"
                       "NextElapseUSecRealtime=Thu 2024-05-02 18:30:00 UTC\nLastTriggerUSec=n/a\n"};
        return {0, ""};
    }

private:
    std::vector<std::string>& m_calls;
    bool m_session;
};

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

class ScheduleCommandTest : public ::testing::Test {
protected:
    ScheduleCommandTest() {
        // A program path with a space and a specifier, which systemd must
        // read back as written. The program prints what it is given, so a
        // crontab line can be run to see the words the shell makes of it.
        std::filesystem::create_directories(m_program.substr(0, m_program.rfind('/')));
        WriteBytes(m_program, "#!/bin/sh\nprintf '%s\\n' \"$SSL_CERT_DIR\" \"$@\"\n");
        std::filesystem::permissions(m_program, std::filesystem::perms::owner_all);
        std::filesystem::create_directories(m_base);
    }

    CliResult Run(const std::vector<std::string>& args, bool session = true) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const CliStreams streams{in, out, err, false, false, 80};
        CliDefaults defaults{m_scratch.Path(), Server};
        defaults.trust = m_trust;
        defaults.program = m_program;
        defaults.userUnitFolder = m_units;
        defaults.systemctl = std::make_unique<FakeSystemctl>(m_calls, session);
        CliApplication application(streams, std::move(defaults));
        const int code = application.Run(args);
        return {code, out.str(), err.str()};
    }

    bool Called(const std::string& call) const {
        return std::find(m_calls.begin(), m_calls.end(), call) != m_calls.end();
    }
    std::ptrdiff_t CallIndex(const std::string& call) const {
        return std::find(m_calls.begin(), m_calls.end(), call) - m_calls.begin();
    }

    TempDir m_scratch;
    std::string m_program = m_scratch / "daily runs 100%H/kelvarin-cli";
    std::string m_base = m_scratch / "prices $HOME 'a' \"b\" 5%";
    std::string m_units = m_scratch / "config/systemd/user";
    std::string m_timer = m_units + "/kelvarin-daily.timer";
    std::string m_service = m_units + "/kelvarin-daily.service";
    CertificateTrust m_trust;
    std::vector<std::string> m_calls;
};

TEST_F(ScheduleCommandTest, InstallWritesUnitsSystemdAcceptsAndStartsTheTimer) {
    const CliResult result =
        Run({"--base", m_base, "--server", Server, "--wait", "900", "schedule", "--at", "7:05"});
    ASSERT_EQ(result.code, 0) << result.err;

    const std::string timer = ReadBytes(m_timer);
    EXPECT_NE(timer.find("\nOnCalendar=*-*-* 07:05:00\n"), std::string::npos) << timer;
    EXPECT_NE(timer.find("\nPersistent=true\n"), std::string::npos) << timer;
    // "$" is a variable and "%" a specifier to systemd in an argument.
    const std::string service = ReadBytes(m_service);
    EXPECT_NE(service.find("\nExecStart=\"" + m_scratch.Path() +
                           "/daily runs 100%%H/kelvarin-cli\" --base \"" + m_scratch.Path() +
                           "/prices $$HOME 'a' \\\"b\\\" 5%%\" --server " + Server +
                           " --wait 900 run\n"),
              std::string::npos)
        << service;
    const test::ProcessOutput verify =
        test::RunProcess({"/usr/bin/systemd-analyze", "verify", m_timer, m_service});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_EQ(verify.err + verify.out, "");

    // Reloaded before the timer is enabled, and restarted so a new time holds.
    EXPECT_LT(CallIndex("daemon-reload"), CallIndex("enable kelvarin-daily.timer"));
    EXPECT_TRUE(Called("restart kelvarin-daily.timer"));
    EXPECT_NE(result.out.find("Daily run at 07:05: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Next run: Thu 2024-05-02 18:30:00 UTC"), std::string::npos)
        << result.out;
}

TEST_F(ScheduleCommandTest, WithoutASessionOnlyTheCrontabLineIsPrinted) {
    // As SSL_CERT_DIR names it here, which cron's environment would not.
    m_trust.caFolder = m_scratch / "my authorities 100%";
    const CliResult result = Run({"--base", m_base, "schedule", "--at", "18:30"}, false);
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("No systemd user session (Failed to connect to bus"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(FileExists(m_units));
    EXPECT_FALSE(Called("daemon-reload"));

    // cron gives sh the line's command up to its first bare "%", each "\%"
    // made "%".
    ASSERT_TRUE(result.out.starts_with("30 18 * * * ")) << result.out;
    std::string command;
    for (std::size_t i = 12; i < result.out.size() && result.out[i] != '%'; ++i) {
        if (result.out[i] == '\\' && i + 1 < result.out.size() && result.out[i + 1] == '%')
            ++i;
        command += result.out[i];
    }
    const test::ProcessOutput words = test::RunProcess({"/bin/sh", "-c", command});
    EXPECT_EQ(words.out,
              m_trust.caFolder + "\n--base\n" + m_base + "\n--server\n" + Server + "\nrun\n");
}

TEST_F(ScheduleCommandTest, OffStopsTheTimerAndRemovesTheUnits) {
    ASSERT_EQ(Run({"--base", m_base, "schedule", "--at", "18:30"}).code, 0);
    m_calls.clear();
    const CliResult off = Run({"schedule", "--off"});
    EXPECT_EQ(off.code, 0) << off.err;
    EXPECT_LT(CallIndex("disable --now kelvarin-daily.timer"), CallIndex("daemon-reload"));
    EXPECT_FALSE(FileExists(m_timer));
    EXPECT_FALSE(FileExists(m_service));
    EXPECT_NE(Run({"schedule"}).out.find("No daily run is installed"), std::string::npos);

    // Without a session no manager can disable the timer: its link goes by hand.
    ASSERT_EQ(Run({"--base", m_base, "schedule", "--at", "18:30"}).code, 0);
    const std::string wants = m_units + "/timers.target.wants";
    std::filesystem::create_directories(wants);
    std::filesystem::create_symlink(m_timer, wants + "/kelvarin-daily.timer");
    EXPECT_EQ(Run({"schedule", "--off"}, false).code, 0);
    EXPECT_TRUE(std::filesystem::is_empty(wants));
    EXPECT_FALSE(FileExists(m_timer));
    EXPECT_FALSE(FileExists(m_service));
}

TEST_F(ScheduleCommandTest, AtIsATimeOfDayOrAUsageError) {
    for (const char* at : {"24:00", "23:60", "7:5", "1830", "", "-1:30", "12:30:00", "ab:cd"}) {
        const CliResult result = Run({"schedule", "--at", at});
        EXPECT_EQ(result.code, 2) << at;
        EXPECT_NE(result.err.find("is not a time of day from 00:00 to 23:59"), std::string::npos)
            << at << ": " << result.err;
    }
    EXPECT_TRUE(m_calls.empty());
    EXPECT_FALSE(FileExists(m_units));
    EXPECT_EQ(Run({"schedule", "--at", "0:00", "--off"}).code, 2);
    EXPECT_EQ(Run({"--wait", "-1", "schedule"}).code, 2);
}

} // namespace
} // namespace kelvarin::cli
