#include "tests/app/export/exportrun.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

extern char **environ;

namespace {

std::vector<std::string> ExportEnvironment(const std::string &locale)
{
    std::vector<std::string> environment;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        // As from cron or su: no display, and no runtime folder.
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM" && name != "LC_ALL"
            && name != "LANGUAGE" && name != "XDG_RUNTIME_DIR")
            environment.push_back(text);
    }
    environment.push_back("LC_ALL=" + locale);
    return environment;
}

std::vector<char *> Pointers(std::vector<std::string> &texts)
{
    std::vector<char *> pointers;
    for (std::string &text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

void Check(int error, const char *what)
{
    if (error != 0)
        throw std::runtime_error(std::string(what) + ": " + std::strerror(error));
}

// Both pipes, read together so that neither fills up while the other is waited on.
void ReadBoth(int out, int err, QByteArray &outBytes, QByteArray &errBytes)
{
    pollfd fds[] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    QByteArray *targets[] = {&outBytes, &errBytes};
    int open = 2;
    char buffer[65536];
    while (open > 0 && ::poll(fds, 2, -1) >= 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                targets[i]->append(buffer, got);
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

TExportProcess::TExportProcess(
    const std::vector<std::string> &arguments, const std::vector<int> &keptIgnored, const std::string &locale)
{
    std::vector<std::string> argv = {VANTREL_BINARY_DIR "/vantrel-oruk-export"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment = ExportEnvironment(locale);
    int out[2], err[2];
    Check(::pipe2(out, O_CLOEXEC) == 0 ? 0 : errno, "pipe");
    Check(::pipe2(err, O_CLOEXEC) == 0 ? 0 : errno, "pipe");
    m_out = TFd(out[0]);
    m_err = TFd(err[0]);
    // The child's ends, closed here once the child has its copies.
    const TFd childOut(out[1]), childErr(err[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    for (const int signal : keptIgnored)
        sigdelset(&all, signal);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int error = ::posix_spawn(
        &m_pid, argv[0].c_str(), &actions, &attributes, Pointers(argv).data(), Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    Check(error, "posix_spawn");
}

TExportProcess::~TExportProcess()
{
    if (!m_reaped) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &m_status, 0);
    }
}

bool TExportProcess::Ended()
{
    if (!m_reaped && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
        m_reaped = true;
    return m_reaped;
}

bool TExportProcess::Stop()
{
    if (m_reaped || ::kill(m_pid, SIGSTOP) != 0)
        return false;
    int status = 0;
    while (::waitpid(m_pid, &status, WUNTRACED) < 0) {
        if (errno != EINTR)
            return false;
    }
    if (WIFSTOPPED(status))
        return true;
    m_status = status;
    m_reaped = true;
    return false;
}

TRun TExportProcess::Wait()
{
    TRun run;
    ReadBoth(m_out.Get(), m_err.Get(), run.Out, run.Err);
    if (!m_reaped) {
        while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) { }
        m_reaped = true;
    }
    if (WIFEXITED(m_status))
        run.ExitCode = WEXITSTATUS(m_status);
    if (WIFSIGNALED(m_status))
        run.Signal = WTERMSIG(m_status);
    return run;
}

TRun Export(const std::vector<std::string> &arguments, const std::vector<int> &keptIgnored)
{
    return TExportProcess(arguments, keptIgnored).Wait();
}

TRun ExportInLocale(const std::string &locale, const std::vector<std::string> &arguments)
{
    return TExportProcess(arguments, {}, locale).Wait();
}

TRun Export(const QStringList &arguments)
{
    std::vector<std::string> bytes;
    for (const QString &argument : arguments)
        bytes.push_back(QFile::encodeName(argument).toStdString());
    return Export(bytes);
}
