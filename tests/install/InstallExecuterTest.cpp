#include "install/InstallExecuter.h"

#include "list/DownloadList.h"
#include "platform/ShellExecute.h"
#include "platform/WorkerThreads.h"
#include "support/EventLoop.h"
#include "support/ListLines.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class InstallExecuter : public ::testing::Test {
protected:
  void SetUp() override { EnsureCoreApplication(); }
  void TearDown() override { qputenv("PATH", SavedPath); }

  QString Script(const QString& name, const QByteArray& body, const CTempFolder& where) const {
    const QString path = where.Write(name, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  QString Read(const QString& name) const { return QString::fromLocal8Bit(CTempFolder::Read(Save.File(name))); }

  const QByteArray SavedPath = qgetenv("PATH");
  CTempFolder Save;
  CMemoryLog Log;
  CInstallExecuter Executer{Log};
};

// Records its arguments one per line and its first one in order.txt, then
// exits with its second argument when that is a number.
constexpr char STEP[] =
    "echo \"$1\" >> order.txt\n"
    "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"args-$1.txt\"\n"
    "case \"$2\" in [0-9]*) exit \"$2\";; esac\n";

QString OwnStandardOutput() {
  char target[4096];
  const ssize_t length = ::readlink("/proc/self/fd/1", target, sizeof target);
  return QString::fromLocal8Bit(target, length > 0 ? length : 0);
}

TEST_F(InstallExecuter, RunsEntriesByIndexWaitsAndGoesOnPastFailures) {
  Script("step.sh", STEP, Save);
  Script("gate.sh", "while [ ! -e open ]; do sleep 0.02; done\necho done > passed.txt\n", Save);

  // The keys 1, 2 and 3 count 3: the indices 0 to 2 are tried, so 3 never runs.
  CDownloadList byKey(Log);
  LoadListLines(byKey, {"IS,3,step.sh,d,0,1", "IS,2,step.sh,c 5,0,1", "IS,1,step.sh,b,0,1", "TD,," + Save.Path()});
  EXPECT_EQ(Executer.Execute(byKey), 1);
  EXPECT_EQ(Read("order.txt"), "b\nc\n");
  EXPECT_TRUE(Log.Has("TRACE Execute cmd:Cmd='step.sh':Param='b'"));
  EXPECT_TRUE(Log.Has("TRACE Executed cmd:Ret=0:Cmd='step.sh':Param='b'"));
  EXPECT_TRUE(Log.Has("TRACE Executed cmd:Ret=5:Cmd='step.sh':Param='c 5'"));
  EXPECT_EQ(Log.CountStarting("TRACE Execute cmd:"), 2);
  EXPECT_EQ(Executer.GetFailures(), QStringList{"'step.sh c 5' ended with exit code 5"});
  Log.Clear();

  // A missing command fails alone; quoted words arrive whole; a command
  // that is not waited for is only started.
  CDownloadList mixed(Log);
  LoadListLines(mixed, {"IS,0,missing.sh,x,0,1", "IS,1,step.sh,q \"two words\" 'three  spaced' four\\ five \"\",3,1",
                        "IS,2,gate.sh,,0,0", "TD,," + Save.Path()});
  EXPECT_EQ(Executer.Execute(mixed), 1);
  EXPECT_EQ(Log.GetLines().filter("Executed cmd:"),
            QStringList({"TRACE Executed cmd:Ret=-1:Cmd='missing.sh':Param='x'",
                         "TRACE Executed cmd:Ret=0:Cmd='step.sh':Param='q \"two words\" 'three  spaced' four\\ five \"\"'",
                         "TRACE Executed cmd:Ret=259:Cmd='gate.sh':Param=''"}));
  EXPECT_EQ(Read("args-q.txt"), "[q]\n[two words]\n[three  spaced]\n[four five]\n[]\n");
  EXPECT_FALSE(QFile::exists(Save.File("passed.txt"))) << "the run did not wait for the gate";
  EXPECT_EQ(Executer.GetFailures(), QStringList{"'missing.sh x' could not be started"});
  Save.Write("open", "");
  EXPECT_TRUE(WaitUntil([&] { return Read("passed.txt") == "done\n"; }));
}

// A quit does not wait for a waited command, which goes on running (it is
// the customer's installer), and starts no further one.
TEST_F(InstallExecuter, AStopEndsTheWaitAndTheRun) {
  Script("step.sh", STEP, Save);
  Script("gate.sh", "echo started > started.txt\nwhile [ ! -e open ]; do sleep 0.02; done\necho done > passed.txt\n", Save);
  CDownloadList list(Log);
  LoadListLines(list, {"IS,0,gate.sh,,0,1", "IS,1,step.sh,after,0,1", "TD,," + Save.Path()});
  std::atomic<std::int32_t> quit{0};
  Executer.WatchStopFlag(&quit);
  std::atomic<bool> ended{false};
  BeginWorkerThread([&] {
    Executer.Execute(list);
    ended = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return Read("started.txt") == "started\n"; }));
  EXPECT_FALSE(ended.load());
  quit = 1;
  ASSERT_TRUE(WaitUntil([&] { return ended.load(); }));
  JoinWorkerThreads();
  EXPECT_TRUE(Log.Has("WARNG Stopped waiting for cmd:Cmd='gate.sh'"));
  EXPECT_TRUE(Log.Has("TRACE Executed cmd:Ret=259:Cmd='gate.sh':Param=''"));
  EXPECT_FALSE(QFile::exists(Save.File("order.txt"))) << "no command after the stop";
  Save.Write("open", "");
  EXPECT_TRUE(WaitUntil([&] { return Read("passed.txt") == "done\n"; })) << "the installer went on";
}

// A signal that reaches the child between fork and exec never runs one of
// the program's handlers there: signals stay blocked across the fork until
// the child has put its handlers back to the defaults. Ignored signals stay
// ignored in the started program. The child raises the signal itself, the
// moment it is forked, so no race decides the outcome.
int HandlerRanFd = -1;

TEST_F(InstallExecuter, NoHandlerOfTheProgramRunsInTheStartedChild) {
  int ran[2];
  ASSERT_EQ(::pipe2(ran, O_NONBLOCK | O_CLOEXEC), 0);
  HandlerRanFd = ran[1];
  struct sigaction caught {};
  caught.sa_handler = [](int) { [[maybe_unused]] const ssize_t n = ::write(HandlerRanFd, "!", 1); };
  struct sigaction savedUrg {}, savedUsr2 {};
  ASSERT_EQ(::sigaction(SIGURG, &caught, &savedUrg), 0);
  ASSERT_EQ(::sigaction(SIGUSR2, nullptr, &savedUsr2), 0);
  ::signal(SIGUSR2, SIG_IGN);
  SetForkedChildHook([] { ::raise(SIGURG); });

  Script("survivor.sh", "kill -USR2 $$\necho alive > alive.txt\n", Save);
  CShellExecuteInfo info;
  info.File = QStringLiteral("survivor.sh");
  info.Directory = Save.Path();
  info.WantProcess = true;
  const bool started = ShellExecuteEx(info);
  if (started) info.Process->WaitForExit(30000);

  SetForkedChildHook(nullptr);
  ::sigaction(SIGURG, &savedUrg, nullptr);
  ::sigaction(SIGUSR2, &savedUsr2, nullptr);
  char byte = 0;
  const ssize_t got = ::read(ran[0], &byte, 1);
  ::close(ran[0]);
  ::close(ran[1]);
  ASSERT_TRUE(started);
  EXPECT_EQ(got, -1) << "the program's handler ran in the child";
  EXPECT_EQ(Read("alive.txt"), "alive\n") << "an ignored signal did not stay ignored";
}

TEST_F(InstallExecuter, StartedProcessesGetTheStreamsOfTheirShowTypeAndNoDescriptorOfTheProgram) {
  Script("fds.sh",
         // Read before any redirection of the script's own changes them.
         "in=$(readlink /proc/$$/fd/0); out=$(readlink /proc/$$/fd/1)\n"
         "fds=$(for f in /proc/$$/fd/*; do readlink \"$f\"; done)\n"
         "echo \"$in\" > \"in-$1.txt\"; echo \"$out\" > \"out-$1.txt\"; echo \"$fds\" > \"fds-$1.txt\"\n",
         Save);
  // Descriptors opened as a library might: inheritable.
  const QString lockPath = Save.Write("program.lock", "");
  const int leakedFile = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY);
  const int leakedSocket = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(leakedFile, 0);
  ASSERT_GE(leakedSocket, 0);

  EXPECT_EQ(Executer.RunCommand("fds.sh", "hidden", Save.Path(), 3, true), 0);
  EXPECT_EQ(Executer.RunCommand("fds.sh", "shown", Save.Path(), 0, true), 0);
  EXPECT_EQ(Executer.RunCommand("fds.sh", "minus", Save.Path(), -1, true), 0);
  ::close(leakedFile);
  ::close(leakedSocket);

  EXPECT_EQ(Read("in-hidden.txt"), "/dev/null\n");
  EXPECT_EQ(Read("out-hidden.txt"), "/dev/null\n");
  EXPECT_EQ(Read("out-minus.txt"), "/dev/null\n");
  EXPECT_EQ(Read("out-shown.txt").trimmed(), OwnStandardOutput());
  for (const char* name : {"fds-hidden.txt", "fds-shown.txt"}) {
    const QString open = Read(name);
    ASSERT_FALSE(open.isEmpty()) << name;
    EXPECT_FALSE(open.contains(lockPath)) << open.toStdString();
    EXPECT_FALSE(open.contains("socket:")) << open.toStdString();
  }

  // Exit codes as shells report them; a bare name is found on PATH.
  EXPECT_EQ(Executer.RunCommand("sh", "-c 'exit 7'", Save.Path(), 0, true), 7);
  EXPECT_EQ(Executer.RunCommand("/bin/sh", "-c 'kill -TERM $$'", Save.Path(), 0, true), 128 + 15);
}

TEST_F(InstallExecuter, DocumentsOpenThroughXdgOpenAndWhatCannotStartGivesMinusOne) {
  CTempFolder bin;
  Script("xdg-open", "printf '[%s]\\n' \"$@\" > opened.txt\n", bin);
  qputenv("PATH", (bin.Path() + ":" + QString::fromLocal8Bit(SavedPath)).toLocal8Bit());
  Save.Write("readme.txt", "Read me.\n");
  QDir(Save.Path()).mkdir("folder");
  Save.Write("garbage.bin", "not a program\n");
  QFile::setPermissions(Save.File("garbage.bin"), QFile::ReadOwner | QFile::ExeOwner);

  EXPECT_EQ(Executer.RunCommand("readme.txt", "--not-passed", Save.Path(), 0, true), 0);
  EXPECT_EQ(Read("opened.txt"), "[" + Save.File("readme.txt") + "]\n");
  EXPECT_EQ(Executer.RunCommand("folder", "", Save.Path(), 0, true), -1);
  EXPECT_EQ(Executer.RunCommand("garbage.bin", "", Save.Path(), 0, true), -1);
  EXPECT_EQ(Executer.RunCommand("sub/step.sh", "", Save.Path(), 0, false), -1) << "only bare names go to PATH";

  // Without a program for documents there is nothing to open them with.
  qputenv("PATH", bin.Path().toLocal8Bit() + "/nowhere");
  EXPECT_EQ(Executer.RunCommand("readme.txt", "", Save.Path(), 0, false), -1);
}

}  // namespace
