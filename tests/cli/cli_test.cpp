// The command-line program run as a user runs it, against the simulated
// radio (on Linux through the scripted UDisks2 service, under Wine as a
// drive letter) and the local update server: exit codes, what it prints, the
// radio's files byte for byte and the requests the server saw.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "simulator/linux/scripted_udisks2.h"
#include "tests/cli/cli_fixture.h"

namespace {

using namespace cli_test;

class CommandLine : public CliFixture, public ::testing::WithParamInterface<System> {
protected:
    System system() const override { return GetParam(); }
};

TEST_P(CommandLine, StatusSwitchesTheRadioAndMasksItsSecrets) {
    startRadio("hxa-v2", true);
    const auto before = folderContents(radioFolder());

    const CliRun text = run({"status"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::string root = onWindows() ? "G:\\" : radio_->presentLocation() + "/";
    EXPECT_EQ(text.out, "radio: " + root +
                            "\nfamily: hxa\nconfig_version: 2\nfirmware: 2.1.7\nupdate_slot: yes\n"
                            "wifi_ssid: Kitchen Radio\nwifi_password: ********\npin: ********\ncountry: Germany\n"
                            "provider: Vodafone - Postpaid\nhas_apn: yes\napn: web.vodafone.de\nuser: \n"
                            "password: \ndns1: 139.7.30.125\ndns2: 139.7.30.126\ngateway: \nroaming: off\n"
                            "profile: default\n");
    EXPECT_NE(text.err.find("switching the radio"), std::string::npos) << text.err;

    const CliRun json = run({"status", "--json", "--show-secrets", "--wait", "0"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("\"family\":\"hxa\",\"config_version\":2,\"firmware\":\"2.1.7\",\"update_slot\":true,"
                            "\"wifi_ssid\":\"Kitchen Radio\",\"wifi_password\":\"tea-and-toast-42\",\"pin\":\"4711\""),
              std::string::npos)
        << json.out;
    EXPECT_EQ(folderContents(radioFolder()), before) << "status wrote to the radio";
}

// Each case: the sample radio, the arguments, standard input, the file the
// radio must hold afterwards (the text; NUL bytes fill it to its length).
struct SetCase {
    const char* what;
    const char* radio;
    std::vector<std::string> arguments;
    const char* input;
    const char* expected;
};

const SetCase SET_CASES[] = {
    {"a preset, a PIN, roaming and a profile: the names of the preset are written",
     "hxa-v2",
     {"set", "--country", "Austria", "--provider", "A1/Telekom Austria - aonMobile", "--pin-file", "-", "--roaming",
      "on", "--profile", "stable"},
     "1234\n",
     "# Brelvan OV global configuration file\n# Skeleton type: HXA v2\n"
     "# Edited by Windows Configuration Utility\n\nversion = 2\nwifi_ssid = \"Kitchen Radio\"\n"
     "wifi_pass = \"tea-and-toast-42\"\ngsm_pin = \"1234\"\ngsm_country = \"Austria\"\n"
     "gsm_provider = \"A1/Telekom Austria - aonMobile\"\ngsm_has_apn = true\ngsm_apn = \"aon.at\"\n"
     "gsm_user = \"mobile@aon.at\"\ngsm_pass = \"ppp\"\ngsm_dns1 = \"\"\ngsm_dns2 = \"\"\ngsm_gw = \"\"\n"
     "gsm_roaming = true\nradio_profile = 2\n"},
    {"a preset with its APN changed is no longer the preset: both names empty",
     "hxa-v2",
     {"set", "--country", "Austria", "--provider", "A1/Telekom Austria - aonMobile", "--apn", "shop.example"},
     "",
     "# Brelvan OV global configuration file\n# Skeleton type: HXA v2\n"
     "# Edited by Windows Configuration Utility\n\nversion = 2\nwifi_ssid = \"Kitchen Radio\"\n"
     "wifi_pass = \"tea-and-toast-42\"\ngsm_pin = \"4711\"\ngsm_country = \"\"\ngsm_provider = \"\"\n"
     "gsm_has_apn = true\ngsm_apn = \"shop.example\"\ngsm_user = \"mobile@aon.at\"\ngsm_pass = \"ppp\"\n"
     "gsm_dns1 = \"\"\ngsm_dns2 = \"\"\ngsm_gw = \"\"\ngsm_roaming = false\nradio_profile = 1\n"},
    {"unnamed settings keep the radio's values, and its names while they still match",
     "hxa-v1",
     {"set", "--wifi-ssid", "Shop 12", "--wifi-password-file", "-"},
     "new-wifi-secret\r\n",
     "# Brelvan OV global configuration file\n# Skeleton type: HXA v1\n"
     "# Edited by Windows Configuration Utility\n\nversion = 1\nwifi_ssid = \"Shop 12\"\n"
     "wifi_pass = \"new-wifi-secret\"\ngsm_pin = \"0815\"\ngsm_country = \"Austria\"\n"
     "gsm_provider = \"A1/Telekom Austria - aonMobile\"\ngsm_has_apn = true\ngsm_apn = \"aon.at\"\n"
     "gsm_user = \"mobile@aon.at\"\ngsm_pass = \"ppp\"\ngsm_dns1 = \"\"\ngsm_dns2 = \"\"\ngsm_gw = \"\"\n"
     "gsm_roaming = true\n"},
    {"an hxb radio takes the preset's values and keeps the names it had",
     "hxb",
     {"set", "--country", "Austria", "--provider", "A1/Telekom Austria - aonMobile", "--password-file", "-"},
     "s3cret\n",
     "# Brelvan OV global configuration file\n# Skeleton type: HXB v1\n"
     "# Edited by Windows Configuration Utility\n\nversion = 1\ndevice = \"hxb\"\nwifi_ssid = \"Terrazza\"\n"
     "wifi_pass = \"limoncello-77\"\ngsm_pin = \"1357\"\ngsm_country = \"Italy\"\n"
     "gsm_provider = \"TIM - Maxxi Alice/Internet\"\ngsm_has_apn = true\ngsm_apn = \"aon.at\"\n"
     "gsm_user = \"mobile@aon.at\"\ngsm_pass = \"s3cret\"\ngsm_dns1 = \"\"\ngsm_dns2 = \"\"\ngsm_gw = \"\"\n"
     "gsm_roaming = false\n"},
};

TEST_P(CommandLine, SetRewritesTheFileInPlaceAsTheSaveDoes) {
    for (const SetCase& c : SET_CASES) {
        SCOPED_TRACE(c.what);
        startRadio(c.radio);
        auto before = folderContents(radioFolder());

        const CliRun dry = run(
            [&] {
                auto arguments = c.arguments;
                arguments.push_back("--dry-run");
                arguments.push_back("--show-secrets");
                return arguments;
            }(),
            c.input);
        ASSERT_EQ(dry.exitCode, 0) << dry.err;
        EXPECT_EQ(dry.out, c.expected);
        EXPECT_EQ(folderContents(radioFolder()), before) << "a dry run wrote to the radio";

        const CliRun set = run(c.arguments, c.input);
        ASSERT_EQ(set.exitCode, 0) << set.err;
        EXPECT_EQ(set.out, "");
        before["doc/global-config.cfg"] = configFile(c.expected);
        EXPECT_EQ(folderContents(radioFolder()), before);

        radio_->stop();
        radio_.reset();
        fs::remove_all(radioFolder());
    }
}

TEST_P(CommandLine, DryRunMasksSecretsUnlessShown) {
    startRadio("hxa-v2");
    const CliRun masked = run({"set", "--dry-run", "--pin-file", "-"}, "2468");
    ASSERT_EQ(masked.exitCode, 0) << masked.err;
    EXPECT_NE(masked.out.find("gsm_pin = \"********\"\n"), std::string::npos) << masked.out;
    EXPECT_NE(masked.out.find("wifi_pass = \"********\"\n"), std::string::npos) << masked.out;
    EXPECT_EQ(masked.out.find("2468"), std::string::npos);
    EXPECT_EQ(masked.out.find("tea-and-toast"), std::string::npos);
}

// Each case: arguments, standard input, exit code, a piece of the message.
struct BadArguments {
    std::vector<std::string> arguments;
    std::string input;
    int exitCode;
    const char* message;
};

TEST_P(CommandLine, BadArgumentsLeaveTheRadioUnchanged) {
    startRadio("hxa-v2");
    writeFile(work_ / "long-pin", "1234567890\n");
    writeFile(work_ / "two-lines", "first\nsecond\n");
    const std::string longPin = hostPath(work_ / "long-pin");
    const std::string twoLines = hostPath(work_ / "two-lines");
    const std::string missing = hostPath(work_ / "missing");
    const BadArguments cases[] = {
        {{}, "", 2, "no command given"},
        {{"frobnicate"}, "", 2, "frobnicate: no such command"},
        {{"--wait", "5", "status"}, "", 2, "--wait: give the command first"},
        {{"status", "--wait", "-1"}, "", 2, "--wait: \"-1\" is not a number of seconds"},
        {{"status", "--wait", "soon"}, "", 2, "--wait: \"soon\" is not a number of seconds"},
        {{"status", "--dry-run"}, "", 2, "--dry-run: not an option of status"},
        {{"status", "extra"}, "", 2, "extra: unexpected argument to status"},
        {{"countries", "--radio", "E:"}, "", 2, "--radio: not an option of countries"},
        {{"update"}, "", 2, "confirm with --yes"},
        {{"providers"}, "", 2, "providers: needs a country"},
        {{"providers", "Atlantis"}, "", 2, "\"Atlantis\" is not a country of the table"},
        {{"set", "--pin", "1234"}, "", 2, "--pin: secrets are never taken from the command line"},
        {{"set", "--password=hunter2"}, "", 2, "--password: secrets are never taken from the command line"},
        {{"set", "--wifi-password", "x"}, "", 2, "--wifi-password: secrets are never taken"},
        {{"set", "--apn"}, "", 2, "--apn: needs a value"},
        {{"set", "--apn", "a\"b"}, "", 2, "--apn: holds a double quote"},
        {{"set", "--apn", std::string(32, 'a')}, "", 2, "--apn: too long: at most 31 bytes, not 32"},
        {{"set", "--dns1", "1234.1234.1234.1"}, "", 2, "--dns1: too long: at most 15 bytes, not 16"},
        {{"set", "--wifi-ssid", "tab\there"}, "", 2, "--wifi-ssid: holds a control character (0x09)"},
        {{"set", "--user", "a", "--user", "b"}, "", 2, "--user: given twice"},
        {{"set", "--roaming", "maybe"}, "", 2, "--roaming: \"maybe\" is not on or off"},
        {{"set", "--profile", "turbo"}, "", 2, "--profile: \"turbo\" is not fast-start, default or stable"},
        {{"set", "--country", "Austria"}, "", 2, "--country: needs --provider as well"},
        {{"set", "--provider", "A1"}, "", 2, "--provider: needs --country as well"},
        {{"set", "--country", "Atlantis", "--provider", "A1"}, "", 2, "--country: \"Atlantis\" is not a country"},
        {{"set", "--country", "Austria", "--provider", "Nobody"},
         "",
         2,
         "--provider: \"Nobody\" is not a provider of Austria"},
        {{"set", "--pin-file", missing}, "", 2, "--pin-file: cannot open"},
        {{"set", "--pin-file", longPin}, "", 2, "--pin-file: too long: at most 9 bytes, not 10"},
        {{"set", "--password-file", twoLines}, "", 2, "--password-file: holds a control character (0x0A)"},
        {{"set", "--pin-file", "-", "--password-file", "-"},
         "1234",
         2,
         "--password-file: only one secret can come from standard input"},
        {{"set", "--pin-file", "-"},
         std::string("12\0"
                     "34",
                     5),
         2,
         "--pin-file: the file holds a NUL byte"},
        {{"status", "--radio", onWindows() ? "Q:" : "/nowhere", "--wait", "0"}, "", 3, "no radio at"},
    };
    const auto before = folderContents(radioFolder());
    for (const BadArguments& c : cases) {
        std::string line;
        for (const std::string& argument : c.arguments) line += " " + argument;
        SCOPED_TRACE("ondavox-cli" + line);
        const CliRun result = run(c.arguments, c.input);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(folderContents(radioFolder()), before);
}

TEST_P(CommandLine, ValuesTheRadiosFileCannotTakeAreRefusedAndNothingIsWritten) {
    // hxa-v1 has no radio profile.
    startRadio("hxa-v1");
    auto before = folderContents(radioFolder());
    const CliRun profile = run({"set", "--profile", "stable"});
    EXPECT_EQ(profile.exitCode, 2);
    EXPECT_NE(profile.err.find("--profile: this radio's file (family hxa, version 1) has no radio profile"),
              std::string::npos)
        << profile.err;
    EXPECT_EQ(folderContents(radioFolder()), before);
    radio_->stop();
    radio_.reset();
    fs::remove_all(radioFolder());

    // A file only as long as the text a save writes: one byte more does not fit.
    startRadio("hxa-v2");
    const std::string text = run({"set", "--dry-run", "--show-secrets"}).out;
    ASSERT_NE(text, "");
    radio_->stop();
    radio_.reset();
    fs::remove_all(radioFolder());
    const fs::path tight = work_ / "tight";
    fs::copy(SOURCE + "/simulator/radios/hxa-v2", tight, fs::copy_options::recursive);
    writeFile(tight / "doc/global-config.cfg", text);
    startRadio(tight.string());
    before = folderContents(radioFolder());
    const CliRun longer = run({"set", "--wifi-ssid", "Kitchen Radio 2"});
    EXPECT_EQ(longer.exitCode, 5);
    EXPECT_NE(
        longer.err.find("more than the radio's file holds (" + std::to_string(text.size()) + "); nothing was written"),
        std::string::npos)
        << longer.err;
    EXPECT_EQ(folderContents(radioFolder()), before);
    // The same length fits, and fills the file exactly.
    const CliRun same = run({"set", "--wifi-ssid", "Kitchen Radi0"});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    std::string expected = text;
    expected.replace(expected.find("Kitchen Radio"), 13, "Kitchen Radi0");
    EXPECT_EQ(readFile(radioFolder() / "doc/global-config.cfg"), expected);
}

// Each case: the server tree, the radio, arguments, exit code, a piece of
// the messages, the files requested from the server, and whether the radio
// takes the update.
struct UpdateCase {
    const char* what;
    const char* tree;
    const char* radio;
    std::vector<std::string> arguments;
    int exitCode;
    const char* message;
    std::vector<std::string> requests;
    bool installed;
};

const UpdateCase UPDATE_CASES[] = {
    {"newer firmware is installed and the radio accepts it",
     "server",
     "hxa-v2",
     {"update", "--yes"},
     0,
     "installed 2.2.0",
     {"/firmware/latest/version.info", "/firmware/latest/Ondavox_update.bvn", "/firmware/latest/Ondavox_update.md5"},
     true},
    {"the beta channel of an hxb radio",
     "server",
     "hxb",
     {"update", "--yes", "--beta"},
     0,
     "installed 1.2.0",
     {"/firmware-hxb/beta/version.info", "/firmware-hxb/beta/Ondavox_update.bvn",
      "/firmware-hxb/beta/Ondavox_update.md5"},
     true},
    {"no newer firmware: nothing is downloaded",
     "server-current",
     "hxa-v2",
     {"update", "--yes"},
     0,
     "nothing to install",
     {"/firmware/latest/version.info"},
     false},
    {"a checksum that does not match: nothing is installed",
     "server-bad-checksum",
     "hxa-v2",
     {"update", "--yes"},
     8,
     "does not match the server's checksum",
     {"/firmware/latest/version.info", "/firmware/latest/Ondavox_update.bvn", "/firmware/latest/Ondavox_update.md5"},
     false},
    {"a radio without an update slot",
     "server",
     "hxa-v2-no-slot",
     {"update", "--yes"},
     9,
     "no update slot",
     {"/firmware/latest/version.info"},
     false},
    {"no server", nullptr, "hxa-v2", {"update", "--yes"}, 6, "the update server gave no version", {}, false},
    {"check-update on no server", nullptr, "hxa-v2", {"check-update"}, 6, "gave no version", {}, false},
};

TEST_P(CommandLine, UpdateDownloadsVerifiesAndInstalls) {
    for (const UpdateCase& c : UPDATE_CASES) {
        SCOPED_TRACE(c.what);
        if (c.tree != nullptr) startServer(c.tree);
        startRadio(c.radio);
        auto before = folderContents(radioFolder());

        const CliRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        if (server_) {
            std::vector<std::string> paths;
            for (const auto& request : server_->requests()) {
                paths.push_back(request.path);
                EXPECT_EQ(request.method, "GET");
                EXPECT_EQ(request.userAgent, "Brelvan Ondavox Utility/1.0");
            }
            EXPECT_EQ(paths, c.requests);
        }
        if (c.installed) {
            const std::string folder =
                SOURCE + "/simulator/" + c.tree + c.requests[1].substr(0, c.requests[1].rfind('/'));
            const std::string image = readFile(folder + "/Ondavox_update.bvn");
            const std::string checksum = readFile(folder + "/Ondavox_update.md5");
            EXPECT_EQ(readFile(radioFolder() / "doc/update.bin"), image);
            EXPECT_EQ(readFile(radioFolder() / "doc/update.md5"), checksum + "\n" + std::to_string(image.size()));
            EXPECT_TRUE(radio_->log().waitFor("update accepted", std::chrono::seconds(10)));
            before.erase("doc/update.bin");
            before.erase("doc/update.md5");
            auto after = folderContents(radioFolder());
            after.erase("doc/update.bin");
            after.erase("doc/update.md5");
            EXPECT_EQ(after, before);
        } else {
            EXPECT_EQ(folderContents(radioFolder()), before);
        }
        radio_->stop();
        radio_.reset();
        fs::remove_all(radioFolder());
        if (server_) server_->stop();
        server_.reset();
    }
}

TEST_P(CommandLine, CheckUpdateAndTheCarrierTableForScripts) {
    startServer("server");
    startRadio("hxa-v2");
    const CliRun check = run({"check-update", "--json", "--beta"});
    ASSERT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.out,
              "{\"channel\":\"beta\",\"current\":\"2.1.7\",\"latest\":\"2.3.0\",\"update_available\":true,"
              "\"update_slot\":true}\n");

    const CliRun countries = run({"countries"});
    ASSERT_EQ(countries.exitCode, 0);
    EXPECT_EQ(countries.out.rfind("Afghanistan\n", 0), 0u) << countries.out.substr(0, 80);
    EXPECT_NE(countries.out.find("\nGermany\n"), std::string::npos);

    const CliRun providers = run({"providers", "Austria", "--json"});
    ASSERT_EQ(providers.exitCode, 0);
    EXPECT_NE(providers.out.find("{\"name\":\"A1/Telekom Austria - aonMobile\",\"has_apn\":true,\"apn\":\"aon.at\","
                                 "\"user\":\"mobile@aon.at\",\"password\":\"ppp\",\"dns1\":\"\",\"dns2\":\"\","
                                 "\"gateway\":\"\"}"),
              std::string::npos)
        << providers.out;
}

// A Unix signal reaches only the native program; Wine does not turn it into
// the console's Ctrl+C.
class CommandLineOnLinux : public CommandLine {};

TEST_P(CommandLineOnLinux, SignalEndsTheProgramWithItsExitCode) {
    const auto start = std::chrono::steady_clock::now();
    const CliRun waiting = run({"status", "--wait", "60"}, "", 1500);
    EXPECT_EQ(waiting.exitCode, 130) << waiting.err;
    EXPECT_NE(waiting.err.find("interrupted"), std::string::npos) << waiting.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

INSTANTIATE_TEST_SUITE_P(Systems, CommandLine, ::testing::Values(System::Linux, System::Windows),
                         [](const ::testing::TestParamInfo<System>& system) {
                             return system.param == System::Linux ? "Linux" : "Windows";
                         });
INSTANTIATE_TEST_SUITE_P(Systems, CommandLineOnLinux, ::testing::Values(System::Linux),
                         [](const ::testing::TestParamInfo<System>&) { return "Linux"; });

// Two radios on one scripted UDisks2 service (Linux): without --radio
// nothing is touched; with it, only the named radio is written.
TEST(CommandLineRadios, RadioPicksOneOfSeveralAndLeavesTheOthers) {
    const fs::path work = fs::temp_directory_path() / ("ondavox-cli-radios-" + std::to_string(::getpid()));
    fs::remove_all(work);
    simulator::ScriptedUDisks2 udisks;
    std::string error;
    ASSERT_TRUE(udisks.start(error)) << error;
    std::vector<fs::path> roots;
    for (const char* name : {"sdb1", "sdc1"}) {
        roots.push_back(work / name);
        fs::create_directories(roots.back());
        fs::copy(SOURCE + "/simulator/radios/hxa-v2", roots.back(), fs::copy_options::recursive);
        simulator::ScriptedVolume volume;
        volume.name = name;
        volume.mountPoint = roots.back().string();
        ASSERT_TRUE(udisks.addVolume(volume, error)) << error;
    }
    const auto first = folderContents(roots[0]);
    const auto second = folderContents(roots[1]);

    auto run = [&](std::vector<std::string> arguments) {
        std::string command = "DBUS_SYSTEM_BUS_ADDRESS='" + udisks.busAddress() + "' " + NATIVE_BUILD + "/ondavox-cli";
        for (const std::string& argument : arguments) command += " '" + argument + "'";
        command += " >" + (work / "out").string() + " 2>" + (work / "err").string();
        const int status = std::system(command.c_str());
        return std::make_pair(WEXITSTATUS(status), readFile(work / "err"));
    };

    const auto several = run({"set", "--wifi-ssid", "Shop", "--wait", "0"});
    EXPECT_EQ(several.first, 2) << several.second;
    EXPECT_NE(several.second.find("several radios are attached; choose one with --radio PATH"), std::string::npos);
    EXPECT_NE(several.second.find("radio attached: " + roots[1].string()), std::string::npos) << several.second;
    EXPECT_EQ(folderContents(roots[0]), first);
    EXPECT_EQ(folderContents(roots[1]), second);

    const auto picked = run({"set", "--wifi-ssid", "Shop", "--radio", roots[1].string()});
    EXPECT_EQ(picked.first, 0) << picked.second;
    EXPECT_NE(picked.second.find("also attached, not touched: " + roots[0].string()), std::string::npos)
        << picked.second;
    EXPECT_EQ(folderContents(roots[0]), first);
    EXPECT_NE(readFile(roots[1] / "doc/global-config.cfg").find("wifi_ssid = \"Shop\"\n"), std::string::npos);
    udisks.stop();
    fs::remove_all(work);
}

}  // namespace
