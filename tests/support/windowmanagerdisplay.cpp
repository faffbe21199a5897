#include "support/windowmanagerdisplay.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Generous: a loaded machine starts programs slowly.
constexpr int kStartMilliseconds = 20'000;

// Starts `arguments` with its output discarded, keeping `keptFd` open for it;
// the program ends when the test process does.
pid_t spawn(const std::vector<std::string>& arguments, int keptFd = -1)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int quiet = ::open("/dev/null", O_RDWR);
    ::dup2(quiet, STDIN_FILENO);
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
    if (keptFd >= 0)
        ::fcntl(keptFd, F_SETFD, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv.front(), argv.data());
    ::_exit(127);
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

// The display number Xvfb writes to the pipe once it accepts clients; empty on failure.
QString readDisplayNumber(int fd)
{
    QByteArray number;
    QDeadlineTimer deadline(kStartMilliseconds);
    while (!number.endsWith('\n') && !deadline.hasExpired()) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            break;
        char buffer[16];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, got);
    }
    return QString::fromLatin1(number).trimmed();
}

// Whether a window manager announces itself on the display's root window.
bool windowManagerRuns()
{
    FILE* out = ::popen("xprop -root -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null", "r");
    if (!out)
        return false;
    char line[256] = {};
    const bool announced =
        std::fgets(line, sizeof line, out) && std::string(line).find("window id") != std::string::npos;
    ::pclose(out);
    return announced;
}

class SkipEverything : public ::testing::Environment {
public:
    explicit SkipEverything(QString why) : m_why(std::move(why)) {}
    void SetUp() override { GTEST_SKIP() << "no window manager display: " << m_why.toStdString(); }

private:
    QString m_why;
};

}  // namespace

WindowManagerDisplay::~WindowManagerDisplay()
{
    stop(m_manager);
    stop(m_server);
}

QString WindowManagerDisplay::askedSize()
{
    return qEnvironmentVariable("KORVALANE_TEST_WINDOW_MANAGER");
}

std::unique_ptr<WindowManagerDisplay> WindowManagerDisplay::start(const QString& size, QString* why)
{
    if (!QRegularExpression(QStringLiteral("^\\d+x\\d+$")).match(size).hasMatch()) {
        *why = QStringLiteral("the screen size \"%1\" is not <width>x<height>").arg(size);
        return nullptr;
    }
    std::unique_ptr<WindowManagerDisplay> display(new WindowManagerDisplay);
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        *why = QStringLiteral("no pipe for Xvfb");
        return nullptr;
    }
    display->m_server = spawn(
        {"Xvfb", "-displayfd", std::to_string(pipe[1]), "-screen", "0", size.toStdString() + "x24", "-nolisten", "tcp"},
        pipe[1]);
    ::close(pipe[1]);
    const QString number = readDisplayNumber(pipe[0]);
    ::close(pipe[0]);
    if (number.isEmpty()) {
        *why = QStringLiteral("Xvfb did not start (is it installed?)");
        return nullptr;
    }
    qputenv("DISPLAY", (QStringLiteral(":") + number).toLatin1());
    display->m_manager = spawn({"openbox"});
    const QDeadlineTimer deadline(kStartMilliseconds);
    while (!windowManagerRuns()) {
        if (deadline.hasExpired() || ::waitpid(display->m_manager, nullptr, WNOHANG) != 0) {
            display->m_manager = 0;
            *why = QStringLiteral("openbox did not start on display :%1 (is it installed?)").arg(number);
            return nullptr;
        }
        QThread::msleep(50);
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    return display;
}

std::unique_ptr<WindowManagerDisplay> startAskedWindowManagerDisplay()
{
    const QString size = WindowManagerDisplay::askedSize();
    if (size.isEmpty())
        return nullptr;
    QString why;
    std::unique_ptr<WindowManagerDisplay> display = WindowManagerDisplay::start(size, &why);
    if (!display) {
        std::fprintf(stderr, "skipped: no window manager display: %s\n", qPrintable(why));
        qunsetenv("DISPLAY");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        ::testing::AddGlobalTestEnvironment(new SkipEverything(why));
    }
    return display;
}

}  // namespace testsupport
