// The real programs against the simulated radio and the local update server,
// driven from another process through their controls as a user drives them:
// the Windows program under Wine, and the Linux program over the
// accessibility bus, the way a screen reader reaches it. Each case runs on
// both and checks what the user sees, the radio's files afterwards, and what
// the server was asked.
//
// Windows: a Wine prefix prepared by simulator/prepare-prefix.sh on a display
// (ONDAVOX_E2E_WINEPREFIX) and the Windows build (ONDAVOX_E2E_WINDOWS_BUILD).
// Linux: the program to start (ONDAVOX_E2E_LINUX_PROGRAM, e.g. the installed
// /usr/bin/ondavox-utility), run on a display inside a session bus. The test
// command sets them; without them a platform's cases are skipped.

#include "tests/e2e/end_to_end_fixture.h"

namespace {

using namespace e2e_test;

class EndToEnd : public EndToEndFixture, public ::testing::WithParamInterface<Platform> {
protected:
    Platform platform() const override { return GetParam(); }
};

// A radio plugged in a few seconds after the start; no newer firmware. The
// form shows the file's values; "Save and Quit" rewrites the file at its old
// length and the program ends about a second later.
TEST_P(EndToEnd, StartToTheFormThenSaveAndQuitRewritesTheFileInPlace) {
    startServer("server-current");
    startRadio("hxa-v2", false, 4);
    startProgram();
    EXPECT_TRUE(waitText(IDC_INFO_AREA, TEXT_WAITING_FOR_DEVICE, 5));
    EXPECT_EQ(text(IDC_VERSION_LABEL), "v3.2g");
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    EXPECT_EQ(value("checked " + std::to_string(IDC_ROAMING_CHECK)), "0");
    if (GetParam() == Platform::Windows) {
        EXPECT_TRUE(holdsOffSessionEnd(false, 0)) << "on the form nothing is written";
    }

    ASSERT_EQ(send("set-text " + std::to_string(IDC_GSM_PIN) + " 1234"), "ok");
    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    EXPECT_TRUE(waitText(IDC_INFO_AREA, std::string(TEXT_SAVING_CONFIGURATION) + " done", 20));
    const auto saved = std::chrono::steady_clock::now();
    expectProgramEnds(20);
    EXPECT_GE(std::chrono::steady_clock::now() - saved, 500ms) << "closed without the one-second pause";

    EXPECT_EQ(readBytes(radioFile("doc/global-config.cfg")), savedHxaV2Config("1234"));
    EXPECT_EQ(pathsAsked(), (std::vector<std::string>{"/firmware/latest/version.info"}));
}

// Newer firmware and an update slot: the offer, "Yes!", the four update
// lines, image and checksum on the radio, and the close seven seconds later.
TEST_P(EndToEnd, AcceptedOfferDownloadsVerifiesAndInstallsTheImage) {
    startServer("server");
    startRadio("hxa-v2");
    startLogind();
    const auto before = filesIn(programFolders());
    startProgram();
    ASSERT_TRUE(waitOffer(offerText("2.1.7", "2.2.0", TEXT_ASK_UPDATE)));
    EXPECT_EQ(text(IDC_FIRST_BUTTON), TEXT_YES);
    EXPECT_EQ(text(IDC_SECOND_BUTTON), TEXT_NO_THANKS);
    EXPECT_FALSE(visible(IDC_TASK_BUTTON));

    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    ASSERT_TRUE(waitText(IDC_INFO_AREA, UPDATE_DONE, 60));
    EXPECT_EQ(text(IDC_TASK_BUTTON), TEXT_QUIT);
    const auto shown = std::chrono::steady_clock::now();
    // The radio is written: the seven seconds of its reboot hold nothing off.
    EXPECT_TRUE(holdsOffSessionEnd(false, 3));
    expectProgramEnds(20);
    const auto waited = std::chrono::steady_clock::now() - shown;
    EXPECT_GE(waited, 6s);
    EXPECT_LE(waited, 12s);

    EXPECT_EQ(readBytes(radioFile("doc/update.bin")),
              readBytes(SOURCE + "/simulator/server/firmware/latest/Ondavox_update.bvn"));
    EXPECT_TRUE(radio_->log().waitFor("update accepted", 10s)) << readBytes(work_ / "radio.log");

    // The log tells the three steps with their sizes and the digest.
    const std::string image = readBytes(SOURCE + "/simulator/server/firmware/latest/Ondavox_update.bvn");
    const std::string digest = readBytes(SOURCE + "/simulator/server/firmware/latest/Ondavox_update.md5").substr(0, 32);
    const std::string log = runLog(before);
    for (const std::string& line : {
             "] download: done, " + std::to_string(image.size()) + " bytes into the temporary folder\n",
             "] verification: done, the image's MD5 " + digest + ", the server's checksum \"" + digest,
             "] install: done, " + std::to_string(image.size()) + " bytes of the image written to the radio\n",
         }) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    EXPECT_EQ(pathsAsked(), (std::vector<std::string>{"/firmware/latest/version.info",
                                                      "/firmware/latest/Ondavox_update.bvn",
                                                      "/firmware/latest/Ondavox_update.md5"}));
}

// Newer firmware without an update slot: the notice, and "OK" opens the form.
TEST_P(EndToEnd, NoticeWithoutUpdateSlotAndOkOpensTheForm) {
    startServer("server");
    startRadio("hxa-v2-no-slot");
    startProgram();
    ASSERT_TRUE(waitText(IDC_INFO_AREA, offerText("2.1.7", "2.2.0", TEXT_VISIT_MAKER)));
    // The button's new label comes after the text.
    ASSERT_TRUE(waitText(IDC_TASK_BUTTON, TEXT_OK, 5));
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
    expectFormOf("", "orange.fr", "194.51.3.56", "France", "Orange - Orange Internet");
    const std::string before = readBytes(radioFile("doc/global-config.cfg"));
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");  // "Quit": nothing saved
    expectProgramEnds(20);
    EXPECT_EQ(readBytes(radioFile("doc/global-config.cfg")), before);
}

// A checksum that does not match: U3 fails, no U4 line, nothing installed.
TEST_P(EndToEnd, FailedVerificationInstallsNothing) {
    startServer("server-bad-checksum");
    startRadio("hxa-v2");
    startProgram();
    ASSERT_TRUE(waitOffer(offerText("2.1.7", "2.2.0", TEXT_ASK_UPDATE)));
    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    EXPECT_TRUE(waitText(IDC_INFO_AREA,
                         std::string(TEXT_INITIALIZING_UPDATE) + " done\n" + TEXT_DOWNLOADING_IMAGE + " done\n" +
                             TEXT_VERIFYING_IMAGE + " failed",
                         60));
    EXPECT_TRUE(waitText(IDC_TASK_BUTTON, TEXT_QUIT, 5));
    EXPECT_EQ(readBytes(radioFile("doc/update.bin")), "");
    EXPECT_EQ(readBytes(radioFile("doc/update.md5")), "");
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
    expectProgramEnds(20);
}

// Ctrl+B on the form asks the beta channel and offers whatever it has, even
// the same version; "No, Thanks!" brings the form back with its values.
TEST_P(EndToEnd, BetaCheckOffersAndNoThanksReturnsToTheForm) {
    startServer("server-current");
    startRadio("hxa-v2");
    startProgram();
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    ASSERT_EQ(send("ctrl B"), "ok");
    ASSERT_TRUE(waitOffer(offerText("2.1.7", "2.1.7", TEXT_ASK_UPDATE)));
    EXPECT_EQ(text(IDC_FIRST_BUTTON), TEXT_YES);
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    EXPECT_EQ(pathsAsked(),
              (std::vector<std::string>{"/firmware/latest/version.info", "/firmware/beta/version.info"}));
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");
    expectProgramEnds(20);
}

// A read-only radio is switched through start.html and found again where it
// comes back (another drive letter, another mount point); an Hxb radio asks
// the Hxb folders.
TEST_P(EndToEnd, ReadOnlyHxbRadioIsSwitchedAndFoundWhereItComesBack) {
    startServer("server-current");
    startRadio("hxb", /*readOnly=*/true);
    const std::string readOnlyAt = radio_->presentLocation();
    startProgram();
    expectFormOf("1357", "ibox.tim.it", "217.200.200.42", "Italy", "TIM - Maxxi Alice/Internet");
    EXPECT_FALSE(radio_->readOnlyNow()) << readBytes(work_ / "radio.log");
    EXPECT_NE(radio_->presentLocation(), readOnlyAt);
    EXPECT_NE(radio_->presentLocation(), "");
    EXPECT_EQ(pathsAsked(), (std::vector<std::string>{"/firmware-hxb/latest/version.info"}));
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");
    expectProgramEnds(20);
}

// Ctrl+D opens the Debug dialog with the radio's two files as read; Escape
// leaves it open, a shortcut typed inside it still reaches the main dialog,
// and only its OK closes it.
TEST_P(EndToEnd, DebugDialogShowsTheRadiosFilesAndOnlyOkClosesIt) {
    startServer("server-current");
    startRadio("hxa-v2");
    startProgram();
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    std::string config = readBytes(radioFile("doc/global-config.cfg"));
    config.resize(config.find('\0'));
    const std::string expected = "Config:\n\n" + config + "\n\n" + std::string(40, '-') + "\n\nStatus:\n\n" +
                                 readBytes(radioFile("doc/status.st")) + "\n";
    ASSERT_EQ(send("ctrl D"), "ok");
    EXPECT_EQ(send("debug-text 10000"), "ok " + e2e::CommandServer::escape(expected));
    ASSERT_EQ(send("escape"), "ok");
    EXPECT_EQ(send("debug-text 1000").rfind("ok Config:", 0), 0u) << "Escape closed the Debug dialog";
    ASSERT_EQ(send("ctrl B"), "ok");
    EXPECT_TRUE(waitOffer(offerText("2.1.7", "2.1.7", TEXT_ASK_UPDATE)));
    EXPECT_EQ(send("debug-ok 10000"), "ok");
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");  // "No, Thanks!"
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");
    expectProgramEnds(20);
}

// "Cancel" while the image is being copied onto the radio: the dialog closes
// at once, but the program ends only once the write is over, so the radio
// keeps image and checksum record either both as before or both complete,
// never a torn image or an emptied record.
TEST_P(EndToEnd, CancelDuringTheInstallLeavesTheSlotFilesWhole) {
    const fs::path tree = work_ / "server";
    fs::copy(SOURCE + "/simulator/server", tree, fs::copy_options::recursive);
    const fs::path channel = tree / "firmware/latest";
    constexpr std::size_t MEGABYTES = 192;
    const std::string checksum = writeLargeImage(channel / "Ondavox_update.bvn", MEGABYTES);
    std::ofstream(channel / "Ondavox_update.md5", std::ios::binary | std::ios::trunc) << checksum;
    startServer(tree.string());
    startRadio("hxa-v2");
    const std::string oldImage = readBytes(radioFile("doc/update.bin"));
    const std::string oldRecord = readBytes(radioFile("doc/update.md5"));
    startProgram();
    ASSERT_TRUE(waitOffer(offerText("2.1.7", "2.2.0", TEXT_ASK_UPDATE)));

    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    // The install line shows as its step starts.
    ASSERT_TRUE(meets("wait", IDC_INFO_AREA, std::string("contains ") + TEXT_VISIT_MAKER, 120));
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");  // "Cancel"
    EXPECT_EQ(send("wait-gone 20000"), "ok");
    EXPECT_EQ(send("wait-exit 120000"), "ok 0");

    const std::string image = readBytes(radioFile("doc/update.bin"));
    const std::string record = readBytes(radioFile("doc/update.md5"));
    const bool imageAsBefore = image == oldImage;
    const bool imageComplete = image.size() == MEGABYTES << 20 && image == readBytes(channel / "Ondavox_update.bvn");
    EXPECT_TRUE(imageAsBefore || imageComplete) << "the image on the radio is torn: " << image.size() << " bytes";
    const std::string completeRecord = checksum + "\n" + std::to_string(MEGABYTES << 20);
    EXPECT_TRUE(record == oldRecord || record == completeRecord) << "the record reads \"" << record << "\"";
    EXPECT_EQ(imageComplete, record == completeRecord) << "image and record do not belong together";
}

// The session ends while the image is being copied onto the radio (logout or
// shutdown: SIGTERM for the Linux program, twice, as an impatient session
// sends it; WM_ENDSESSION for the Windows one, which Windows sends once every
// window has agreed). Until then the program held the session's end and
// sleep off. The process ends only once the write is over, so the radio keeps
// image and checksum record both as before or both complete.
TEST_P(EndToEnd, SessionEndDuringTheInstallWaitsForTheWrite) {
    const fs::path tree = work_ / "server";
    fs::copy(SOURCE + "/simulator/server", tree, fs::copy_options::recursive);
    const fs::path channel = tree / "firmware/latest";
    // Long enough on Linux to still be writing when the signal comes; the
    // Windows program under Wine writes more slowly.
    const std::size_t megabytes = GetParam() == Platform::Linux ? 384 : 192;
    const std::string checksum = writeLargeImage(channel / "Ondavox_update.bvn", megabytes);
    std::ofstream(channel / "Ondavox_update.md5", std::ios::binary | std::ios::trunc) << checksum;
    startServer(tree.string());
    startRadio("hxa-v2");
    startLogind();
    const std::string oldImage = readBytes(radioFile("doc/update.bin"));
    const std::string oldRecord = readBytes(radioFile("doc/update.md5"));
    startProgram();
    ASSERT_TRUE(waitOffer(offerText("2.1.7", "2.2.0", TEXT_ASK_UPDATE)));
    EXPECT_TRUE(holdsOffSessionEnd(false, 0)) << "the offer writes nothing";

    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    ASSERT_TRUE(meets("wait", IDC_INFO_AREA, std::string("contains ") + TEXT_VISIT_MAKER, 120));
    EXPECT_TRUE(holdsOffSessionEnd(true, 0));
    if (GetParam() == Platform::Linux) {
        EXPECT_EQ(logind_->log().count("inhibit what=sleep:shutdown:handle-lid-switch who=Ondavox Utility "
                                       "mode=block why=New firmware is being written to the Brelvan Ondavox radio."),
                  1);
        ASSERT_EQ(send("signal TERM"), "ok");
        std::this_thread::sleep_for(300ms);
        ASSERT_EQ(send("signal TERM"), "ok");
        EXPECT_EQ(send("wait-gone 20000"), "ok");
        EXPECT_EQ(send("wait-exit 120000"), "ok 0");
        EXPECT_TRUE(holdsOffSessionEnd(false));
    } else {
        // Answered once the write is over; Windows would end the process now.
        ASSERT_EQ(send("end-session"), "ok");
    }

    const std::string image = readBytes(radioFile("doc/update.bin"));
    const std::string record = readBytes(radioFile("doc/update.md5"));
    const bool imageAsBefore = image == oldImage;
    const bool imageComplete = image.size() == megabytes << 20 && image == readBytes(channel / "Ondavox_update.bvn");
    EXPECT_TRUE(imageAsBefore || imageComplete) << "the image on the radio is torn: " << image.size() << " bytes";
    const std::string completeRecord = checksum + "\n" + std::to_string(megabytes << 20);
    EXPECT_TRUE(record == oldRecord || record == completeRecord) << "the record reads \"" << record << "\"";
    EXPECT_EQ(imageComplete, record == completeRecord) << "image and record do not belong together";
    // Which of the two whole outcomes it was (--gtest_output=xml shows it).
    RecordProperty("slot_files", imageComplete ? "complete" : imageAsBefore ? "as before" : "torn");

    if (GetParam() == Platform::Windows) {
        // Nothing ended the process here: it ends after the update's closing
        // pause, or, when the ending session kept the install from starting,
        // on "Quit" after the failed line.
        if (send("wait-exit 15000") != "ok 0") {
            ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
            EXPECT_EQ(send("wait-exit 20000"), "ok 0");
        }
    }
}

// A 24 MiB image served at 4 MiB/s: while it downloads, the bar below the
// Info area climbs, as a screen reader reads it, and the Info area keeps its
// line; once the update is over the bar is gone.
TEST_P(EndToEnd, TheProgressBarClimbsWhileTheImageDownloads) {
    const fs::path tree = work_ / "server";
    fs::copy(SOURCE + "/simulator/server", tree, fs::copy_options::recursive);
    const fs::path channel = tree / "firmware/latest";
    const std::string checksum = writeLargeImage(channel / "Ondavox_update.bvn", 24);
    std::ofstream(channel / "Ondavox_update.md5", std::ios::binary | std::ios::trunc) << checksum;
    startServer(tree.string(), 4 << 20);
    startRadio("hxa-v2");
    startProgram();
    const std::string bar = "progress " + std::to_string(IDC_PROGRESS_BAR);
    ASSERT_TRUE(waitOffer(offerText("2.1.7", "2.2.0", TEXT_ASK_UPDATE)));
    EXPECT_EQ(value(bar), "hidden");

    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    const std::string downloading = std::string(TEXT_INITIALIZING_UPDATE) + " done\n" + TEXT_DOWNLOADING_IMAGE;
    ASSERT_TRUE(waitText(IDC_INFO_AREA, downloading, 30));
    // Samples of the bar while the download's line shows: each a share in
    // per cent ("moving" only until the server's length is known).
    std::vector<int> shares;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < end) {
        const std::string seen = value(bar);
        if (text(IDC_INFO_AREA) != e2e::CommandServer::escape(downloading)) break;
        if (seen == "moving") continue;
        ASSERT_NE(seen, "hidden") << "the bar is hidden during the download";
        shares.push_back(std::stoi(seen));
        std::this_thread::sleep_for(200ms);
    }
    ASSERT_GE(shares.size(), 5u) << "the download was over before the bar could be watched";
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end())) << ::testing::PrintToString(shares);
    EXPECT_LT(shares.front(), 50) << ::testing::PrintToString(shares);
    EXPECT_GT(shares.back(), 50) << ::testing::PrintToString(shares);
    EXPECT_GE(std::set<int>(shares.begin(), shares.end()).size(), 4u)
        << "the bar stood still: " << ::testing::PrintToString(shares);

    ASSERT_TRUE(waitText(IDC_INFO_AREA, UPDATE_DONE, 120));
    EXPECT_EQ(value(bar), "hidden");
    expectProgramEnds(20);
    EXPECT_EQ(readBytes(radioFile("doc/update.bin")), readBytes(channel / "Ondavox_update.bvn"));
}

// The form's fields take no double quote and no control character, typed or
// pasted; a value that holds one anyway (set by another program, which
// Windows lets through) is refused by the save, which leaves the file as it
// was.
TEST_P(EndToEnd, FormValuesThatWouldBreakTheFileNeverReachIt) {
    startServer("server-current");
    startRadio("hxa-v2");
    startProgram();
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    const std::string apn = std::to_string(IDC_APN);
    ASSERT_EQ(send("set-text " + apn + " "), "ok");
    ASSERT_EQ(send("type " + apn + " we\"b\x05.de"), "ok");
    EXPECT_EQ(text(IDC_APN), "web.de");
    ASSERT_EQ(send("paste " + apn + " /\"x\\n\ty\""), "ok");
    EXPECT_EQ(text(IDC_APN), "web.de/xy");

    const std::string before = readBytes(radioFile("doc/global-config.cfg"));
    ASSERT_EQ(send("set-text " + std::to_string(IDC_GSM_USER) + " me\"you"), "ok");
    if (GetParam() == Platform::Linux) {
        // Qt puts a text set from outside through the field's filter as well:
        // no other program can put the quote there.
        EXPECT_EQ(text(IDC_GSM_USER), "meyou");
        ASSERT_EQ(send("click " + std::to_string(IDC_SECOND_BUTTON)), "ok");  // "Quit": nothing saved
        expectProgramEnds(20);
        EXPECT_EQ(readBytes(radioFile("doc/global-config.cfg")), before);
        return;
    }
    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    EXPECT_TRUE(waitText(IDC_INFO_AREA, std::string(TEXT_SAVING_CONFIGURATION) + " failed", 20));
    EXPECT_TRUE(waitText(IDC_TASK_BUTTON, TEXT_QUIT, 5));
    EXPECT_EQ(readBytes(radioFile("doc/global-config.cfg")), before);
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
    expectProgramEnds(20);
    EXPECT_EQ(readBytes(radioFile("doc/global-config.cfg")), before);
}

// No radio at all: the program keeps waiting, and "Cancel" ends it at once.
TEST_P(EndToEnd, CancelWhileWaitingEndsTheProgram) {
    startServer("server");
    startProgram();
    ASSERT_TRUE(waitText(IDC_INFO_AREA, TEXT_WAITING_FOR_DEVICE, 10));
    EXPECT_TRUE(meets("stays", IDC_INFO_AREA, "text " + e2e::CommandServer::escape(TEXT_WAITING_FOR_DEVICE), 2));
    ASSERT_EQ(send("click " + std::to_string(IDC_TASK_BUTTON)), "ok");
    expectProgramEnds(10);
    EXPECT_TRUE(server_->requests().empty());
}

// The run's log for support: a distinctive PIN and GSM password typed into
// the form, the radio's Wi-Fi password, and a proxy with credentials; afterwards no file the run wrote on this computer
// or on the radio holds any of them (the configuration file alone holds the
// form's, where they belong), and the run's log tells what happened.
TEST_P(EndToEnd, SupportLogTellsTheRunAndHoldsNoSecret) {
    const std::string pin = "86420975";
    const std::string gsmPassword = "gsm-Pass-Q7x4Rv";
    const std::string wifiPassword = "tea-and-toast-42";  // the sample radio's, not on the form
    const std::string proxyUser = "proxy-User-J5n2";
    const std::string proxyPassword = "proxy-Pass-T9c6";
    startServer("server-current");
    startRadio("hxa-v2");
    const std::vector<fs::path> folders = programFolders();
    const auto before = filesIn(folders);
    const auto started = fs::file_time_type::clock::now() - 2s;
    // Credentials in http_proxy are a Linux user's way; Windows keeps none
    // in its proxy setting (WinHTTP asks for them apart, and this program
    // gives none), and Wine's WinHTTP sends nothing through an http_proxy
    // that holds them.
    startProgram(GetParam() == Platform::Linux ? proxyUser + ":" + proxyPassword + "@" : "");
    expectFormOf("4711", "web.vodafone.de", "139.7.30.125", "Germany", "Vodafone - Postpaid");
    ASSERT_EQ(send("set-text " + std::to_string(IDC_GSM_PIN) + " " + pin), "ok");
    ASSERT_EQ(send("set-text " + std::to_string(IDC_GSM_PASSWORD) + " " + gsmPassword), "ok");
    ASSERT_EQ(send("click " + std::to_string(IDC_FIRST_BUTTON)), "ok");
    EXPECT_TRUE(waitText(IDC_INFO_AREA, std::string(TEXT_SAVING_CONFIGURATION) + " done", 20));
    expectProgramEnds(20);

    const std::string config = readBytes(radioFile("doc/global-config.cfg"));
    for (const std::string& secret : {pin, gsmPassword, wifiPassword}) {
        EXPECT_NE(config.find(secret), std::string::npos) << secret << " was not saved";
    }
    std::vector<fs::path> written;
    for (const auto& [path, time] : filesIn(folders)) {
        const auto old = before.find(path);
        if (old == before.end() || old->second != time) written.push_back(path);
    }
    for (const auto& [path, time] : filesIn({work_ / "radio"})) {
        if (time >= started) written.push_back(path);
    }
    for (const fs::path& path : written) {
        const std::string bytes = readBytes(path);
        const bool isConfig = path == radioFile("doc/global-config.cfg");
        for (const std::string& secret : {pin, gsmPassword, wifiPassword, proxyUser, proxyPassword}) {
            if (isConfig && secret.rfind("proxy", 0) != 0) continue;
            EXPECT_EQ(bytes.find(secret), std::string::npos) << path << " holds " << secret;
        }
    }

    const std::string log = runLog(before);
    const std::string proxy = server_->proxyUrl().substr(server_->proxyUrl().find("://") + 3);
    const std::vector<std::string> expected = {
        std::string(" ") + ONDAVOX_PROGRAM_VERSION + " (build: ",
        "] system: ",
        "] drives: listed through ",
        "] drives: the radio found at ",
        "] proxy: " + proxy.substr(0, proxy.find('/')) + " (",
        "/firmware/latest/version.info: status 200, ",
        "] save: done, the configuration file 1024 bytes long\n",
    };
    for (const std::string& line : expected) EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    const std::string last = "] run ended: exit code 0\n";
    EXPECT_EQ(log.size() >= last.size() ? log.substr(log.size() - last.size()) : log, last) << log;
}

INSTANTIATE_TEST_SUITE_P(Programs, EndToEnd, ::testing::Values(Platform::Windows, Platform::Linux),
                         [](const ::testing::TestParamInfo<Platform>& platform) {
                             return std::string(platform.param == Platform::Windows ? "Windows" : "Linux");
                         });

}  // namespace
