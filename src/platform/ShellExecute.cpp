#include "platform/ShellExecute.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void (*ForkedChildHook)() = nullptr;

// The file a command names: a relative name in the working folder first,
// a bare name then on PATH; empty when there is none.
QString ResolveFile(const QString& file, const QString& directory) {
  if (file.isEmpty()) return QString();
  if (QDir::isAbsolutePath(file)) return QFileInfo::exists(file) ? file : QString();
  const QString inFolder = QDir(directory).absoluteFilePath(file);
  if (QFileInfo::exists(inFolder)) return inFolder;
  if (file.contains(QLatin1Char('/'))) return QString();
  return QStandardPaths::findExecutable(file);
}

bool IsExecutableFile(const QString& path) {
  return QFileInfo(path).isFile() && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}

// Everything the child needs, prepared before the fork: between fork and
// exec only async-signal-safe calls are allowed.
struct CChildPlan {
  QByteArray Program;
  std::vector<QByteArray> ArgumentBytes;
  std::vector<char*> Argv;
  QByteArray Directory;
  bool Hidden = false;
  int ReportFd = -1;  // the exec failure goes here as an errno
};

// Marks every descriptor above standard error close-on-exec, so the
// program's files and sockets stay the program's whoever opened them.
void CloseProgramDescriptorsOnExec() {
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
  struct rlimit limit {};
  rlim_t last = 65536;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < last)
    last = limit.rlim_cur;
  for (int fd = 3; fd < static_cast<int>(last); ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

[[noreturn]] void FailChild(int reportFd) {
  const int error = errno;
  ssize_t written;
  do written = ::write(reportFd, &error, sizeof error);
  while (written < 0 && errno == EINTR);
  ::_exit(127);
}

// In the child: never returns.
[[noreturn]] void ExecChild(const CChildPlan& plan) {
  if (plan.Hidden) {
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0 || ::dup2(null, STDIN_FILENO) < 0 || ::dup2(null, STDOUT_FILENO) < 0) FailChild(plan.ReportFd);
    if (null > STDERR_FILENO) ::close(null);
  }
  if (!plan.Directory.isEmpty() && ::chdir(plan.Directory.constData()) != 0) FailChild(plan.ReportFd);
  // The program's own signal settings are not the started program's. The
  // child was forked with every signal blocked, so none of the program's
  // handlers can run in it before they are gone.
  ResetCaughtSignals();
  ::signal(SIGPIPE, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  CloseProgramDescriptorsOnExec();
  ::execve(plan.Program.constData(), plan.Argv.data(), environ);
  FailChild(plan.ReportFd);
}

// The errno the child reported, or 0 when the exec succeeded (the pipe
// closed on exec without a word).
int ReadChildReport(int fd) {
  int error = 0;
  ssize_t got;
  do got = ::read(fd, &error, sizeof error);
  while (got < 0 && errno == EINTR);
  return got == static_cast<ssize_t>(sizeof error) ? error : (got < 0 ? errno : 0);
}

void ReapChild(pid_t pid, int* status = nullptr) {
  int ignored = 0;
  while (::waitpid(pid, status ? status : &ignored, 0) < 0 && errno == EINTR) {
  }
}

// Forks and execs; a detached start forks twice so the process belongs to
// no one here and leaves no zombie behind. Returns the child's pid for a
// waited start, 0 for a detached one, -1 on failure.
long long Launch(CChildPlan& plan, bool detached) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return -1;
  plan.ReportFd = report[1];
  // Blocked across the fork: a signal meant for the program waits until the
  // child has put its handlers back to the defaults (and stays pending for
  // the parent here).
  sigset_t all, previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t pid = ::fork();
  if (pid != 0) ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (pid == 0) {
    if (ForkedChildHook) ForkedChildHook();
    if (detached) {
      ::setsid();
      const pid_t grandchild = ::fork();
      if (grandchild < 0) FailChild(plan.ReportFd);
      if (grandchild > 0) ::_exit(0);
    }
    ExecChild(plan);
  }
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    return -1;
  }
  if (detached) ReapChild(pid);
  const int error = ReadChildReport(report[0]);
  ::close(report[0]);
  if (error != 0) {
    if (!detached) ReapChild(pid);
    return -1;
  }
  return detached ? 0 : pid;
}

}  // namespace

void SetForkedChildHook(void (*hook)()) { ForkedChildHook = hook; }

void ResetCaughtSignals() {
  for (int signal = 1; signal < NSIG; ++signal) {
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) != 0) continue;
    const bool caught = (action.sa_flags & SA_SIGINFO) != 0 ||
                        (action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN);
    if (!caught) continue;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
  }
}

CProcessHandle::~CProcessHandle() {
  if (PidFd >= 0) ::close(PidFd);
}

bool CProcessHandle::GetExitCode(int& code) {
  if (!Reaped) {
    int status = 0;
    pid_t got;
    do got = ::waitpid(static_cast<pid_t>(Pid), &status, WNOHANG);
    while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    if (got == static_cast<pid_t>(Pid)) {
      Reaped = true;
      ExitCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
  }
  code = ExitCode;
  return true;
}

void CProcessHandle::WaitForExit(int milliseconds) {
  if (Reaped) return;
  if (PidFd >= 0) {
    pollfd ready{PidFd, POLLIN, 0};
    ::poll(&ready, 1, milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

bool ShellExecuteEx(CShellExecuteInfo& info) {
  info.StartedProgram.clear();
  info.StartedArguments.clear();
  info.Process.reset();

  const QString file = ResolveFile(info.File, info.Directory);
  if (file.isEmpty() || !QFileInfo(file).isFile()) return false;
  if (IsExecutableFile(file)) {
    info.StartedProgram = file;
    info.StartedArguments = SplitShellWords(info.Parameters);
  } else {
    // A document: its associated program opens it.
    info.StartedProgram = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (info.StartedProgram.isEmpty()) return false;
    info.StartedArguments = QStringList{file};
  }

  CChildPlan plan;
  plan.Program = QFile::encodeName(info.StartedProgram);
  plan.ArgumentBytes.push_back(plan.Program);
  for (const QString& argument : info.StartedArguments) plan.ArgumentBytes.push_back(argument.toLocal8Bit());
  for (QByteArray& bytes : plan.ArgumentBytes) plan.Argv.push_back(bytes.data());
  plan.Argv.push_back(nullptr);
  plan.Directory = QFile::encodeName(info.Directory);
  plan.Hidden = info.Show == SW_HIDE;

  const long long pid = Launch(plan, !info.WantProcess);
  if (pid < 0) return false;
  if (info.WantProcess) {
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    info.Process = std::make_unique<CProcessHandle>(pid, pidFd);
  }
  return true;
}

QStringList SplitShellWords(const QString& text) {
  enum EQuote { NONE, SINGLE, DOUBLE };
  QStringList words;
  QString word;
  bool inWord = false;
  EQuote quote = NONE;
  const qsizetype length = text.size();
  for (qsizetype i = 0; i < length; ++i) {
    const QChar c = text.at(i);
    if (quote == SINGLE) {
      if (c == QLatin1Char('\'')) quote = NONE;
      else word += c;
    } else if (quote == DOUBLE) {
      if (c == QLatin1Char('"')) {
        quote = NONE;
      } else if (c == QLatin1Char('\\') && i + 1 < length &&
                 QStringLiteral("$`\"\\\n").contains(text.at(i + 1))) {
        ++i;
        if (text.at(i) != QLatin1Char('\n')) word += text.at(i);
      } else {
        word += c;
      }
    } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
      if (inWord) words << word;
      word.clear();
      inWord = false;
    } else {
      inWord = true;
      if (c == QLatin1Char('\'')) {
        quote = SINGLE;
      } else if (c == QLatin1Char('"')) {
        quote = DOUBLE;
      } else if (c == QLatin1Char('\\') && i + 1 < length) {
        ++i;
        if (text.at(i) != QLatin1Char('\n')) word += text.at(i);
      } else {
        word += c;
      }
    }
  }
  // An unterminated quote runs to the end of the text.
  if (inWord) words << word;
  return words;
}
