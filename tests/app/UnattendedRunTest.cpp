#include "app/ProgramArguments.h"
#include "app/UnattendedRun.h"

#include "support/FakeDiskEnvironment.h"
#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

TEST(ProgramArguments, TheProgramsOwnSwitchesNeverReachTheWizard) {
  CProgramArguments parsed = ParseProgramArguments(
      {"--unattended", "-P", "7", "-K", "k", "--folder", "/srv/My-Logs-Ex", "--install", "-H", "http://h"});
  EXPECT_TRUE(parsed.Error.isEmpty());
  EXPECT_TRUE(parsed.Unattended && parsed.Install);
  EXPECT_EQ(parsed.Folder, "/srv/My-Logs-Ex");
  EXPECT_EQ(parsed.WizardCommandLine, "-P 7 -K k -H http://h") << "a folder with -L or -E switches nothing on";

  const struct {
    QStringList Arguments;
    const char* Error;
  } wrong[] = {
      {{"--folder", "/x", "-P", "1", "-K", "k"}, "--folder and --install go with --unattended"},
      {{"--unattended", "-P", "1"}, "--unattended needs -P NUMBER and -K KEY"},
      {{"--unattended", "-P", "1", "-K", "two words"}, "the purchase key after -K cannot contain spaces"},
      {{"--colour"}, "unknown switch --colour"},
      {{"--unattended", "-P", "1", "-K", "k", "--folder"}, "--folder needs a folder"},
      {{"-P", "1", "-K=k"}, "the purchase key goes after -K as an argument of its own"},
      {{"--unattended", "-P", "1", "-Kk"}, "the purchase key goes after -K as an argument of its own"},
  };
  for (const auto& c : wrong) EXPECT_EQ(ParseProgramArguments(c.Arguments).Error, c.Error);
  EXPECT_TRUE(ParseProgramArguments({"--unattended", "--help"}).Error.isEmpty());

  // A name is refused, not changed into another one.
  char program[] = "parcel2", folder[] = "--folder", good[] = "/srv/\xc3\xa9t\xc3\xa9", bad[] = "/srv/\xe9t\xe9";
  char* goodArgv[] = {program, folder, good, nullptr};
  char* badArgv[] = {program, folder, bad, nullptr};
  QStringList decoded;
  QString error;
  ASSERT_TRUE(DecodeProgramArguments(3, goodArgv, decoded, error));
  EXPECT_EQ(decoded, (QStringList{"--folder", QString::fromUtf16(u"/srv/\u00e9t\u00e9")}));
  EXPECT_FALSE(DecodeProgramArguments(3, badArgv, decoded, error));
  EXPECT_EQ(error, "argument 2 is not valid UTF-8");
}

// A second signal, or one after the wizard has ended (nothing reads the
// signals any more), ends the process at once with 6; one signal alone is
// left to the wizard's cancel. Each case runs in a process of its own.
TEST(UnattendedSignals, ASecondSignalOrOneDuringShutdownEndsAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto signalled = [](bool shuttingDown, std::initializer_list<int> raised) {
    CTempFolder logs;
    CParcel2App app(QString(), logs.Path());
    CUnattendedRun run(app, ParseProgramArguments({"--unattended", "-P", "1", "-K", "k"}));
    run.CatchSignals();
    if (shuttingDown) run.BeginShutdown();
    for (const int signal : raised) std::raise(signal);
    std::_Exit(0);
  };
  EXPECT_EXIT(signalled(false, {SIGTERM, SIGINT}), testing::ExitedWithCode(EXIT_CANCELLED), "Cancelled at once");
  EXPECT_EXIT(signalled(true, {SIGINT}), testing::ExitedWithCode(EXIT_CANCELLED), "Cancelled at once");
  EXPECT_EXIT(signalled(false, {SIGTERM}), testing::ExitedWithCode(0), "");
}

// The save-location pages decide; the run answers their boxes and ends
// with the code that says why.
class UnattendedFolders : public CWizardFixture {
protected:
  void SetUp() override {
    CWizardFixture::SetUp();
    const QString full = Disk.File("full");
    QDir().mkpath(full);
    Machine->MountTable = "/dev/sda1 " + full + " ext4 rw 0 0\n";
    Machine->Space[full] = {100000, 1ull << 40, 100000};
    App->HostUrl = QStringLiteral("http://127.0.0.1:9");
    App->DownloadList.ListFilePath = Disk.Write("list.lst", "VN,100\r\n");
    LoadList({"DL,0,prod.bin,00000000000000000000000000000000,1000000",
              "DL,1,p1,11111111111111111111111111111111,1000000", "MS,2,Starting."});
    Output = std::tmpfile();
  }
  void TearDown() override {
    Run.reset();
    std::fclose(Output);
    CWizardFixture::TearDown();
  }
  void Start(const QStringList& arguments) {
    Run.reset();  // the run before gives the box presenter back first
    Run = std::make_unique<CUnattendedRun>(*App, ParseProgramArguments(arguments), Output, Output);
    OpenFrame();
    Run->Attach(*Frame);
    ASSERT_TRUE(Frame->EnterState(ST_CONFIRM_FOLDER));
  }

  QString Printed() const {
    std::fflush(Output);
    std::rewind(Output);
    QByteArray text(1 << 16, '\0');
    text.resize(static_cast<qsizetype>(std::fread(text.data(), 1, text.size(), Output)));
    return QString::fromLocal8Bit(text);
  }

  CTempFolder Disk;
  CDiskEnvironmentScope Machine{std::make_shared<CFakeDiskEnvironment>()};
  std::FILE* Output = nullptr;
  std::unique_ptr<CUnattendedRun> Run;
};

TEST_F(UnattendedFolders, NoRoomEndsWithFiveAndAFolderOfOnesOwnIsCreatedAndRecorded) {
  Start({"--unattended", "-P", "1", "-K", "k"});
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Run->ExitCode(), EXIT_NO_FOLDER);

  // A folder given on the command line on a volume with room: created on
  // the folder page's question and recorded, then a cancel ends the run.
  const QString roomy = Disk.File("roomy");
  QDir().mkpath(roomy);
  Machine->MountTable += "/dev/sdb1 " + roomy + " ext4 rw 0 0\n";
  Machine->Space[roomy] = {5ull << 30, 1ull << 40, 5ull << 30};
  const QString mine = roomy + "/Mine";
  Start({"--unattended", "-P", "1", "-K", "k", "--folder", mine});
  const auto recorded = [&] {
    return QString::fromUtf8(CTempFolder::Read(App->DownloadList.ListFilePath)).endsWith("TD,," + mine + "\r\n");
  };
  ASSERT_TRUE(WaitUntil(recorded)) << Printed().toStdString();
  EXPECT_TRUE(QFileInfo(mine).isDir());
  Run->Cancel();
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Run->ExitCode(), EXIT_CANCELLED);

  // An earlier run's folder, given again, that has lost its room: the
  // confirm page would refuse it for ever.
  const QString old = Disk.File("full/Old");
  QDir().mkpath(old);
  App->DownloadList.SetTargetSaveDir(old);
  Start({"--unattended", "-P", "1", "-K", "k", "--folder", old});
  ASSERT_TRUE(WaitForEnd()) << Printed().toStdString();
  EXPECT_EQ(Run->ExitCode(), EXIT_NO_FOLDER);
}

// A verified product without an install command is done, --install or not.
TEST_F(UnattendedFolders, InstallWithNothingToInstallSucceeds) {
  Run = std::make_unique<CUnattendedRun>(*App, ParseProgramArguments({"--unattended", "--install", "-P", "1", "-K", "k"}),
                                         Output, Output);
  OpenFrame();
  Run->Attach(*Frame);
  ASSERT_TRUE(Frame->EnterState(ST_INSTALL));
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Run->ExitCode(), EXIT_DONE) << Printed().toStdString();
}

}  // namespace
