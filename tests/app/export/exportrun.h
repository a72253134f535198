#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include <QByteArray>
#include <QStringList>

#include "platform/system/fd.h"

// Runs the real vantrel-oruk-export of the build, with arguments passed as bytes (a name
// that is not UTF-8 arrives as it is), no display nor runtime folder, the C locale, and the default action
// for every signal whatever the test runner ignores (but those asked to stay ignored).

struct TRun
{
    int ExitCode = -1; // -1 when a signal ended it
    int Signal = 0;
    QByteArray Out;
    QByteArray Err;
};

TRun Export(const std::vector<std::string> &arguments, const std::vector<int> &keptIgnored = {});
TRun Export(const QStringList &arguments);
// The same in another locale (LC_ALL).
TRun ExportInLocale(const std::string &locale, const std::vector<std::string> &arguments);

// A started export whose standard output and error go to pipes (read by Wait()).
class TExportProcess
{
public:
    // The signals of `keptIgnored` keep what this process does with them (ignored, for a
    // test that ignores one).
    explicit TExportProcess(const std::vector<std::string> &arguments,
        const std::vector<int> &keptIgnored = {}, const std::string &locale = "C");
    ~TExportProcess();
    TExportProcess(const TExportProcess &) = delete;
    TExportProcess &operator=(const TExportProcess &) = delete;

    pid_t Pid() const { return m_pid; }
    // Whether it has ended (reaped), without waiting.
    bool Ended();
    // Stops it with SIGSTOP; true once it is stopped, false when it had already ended.
    bool Stop();
    TRun Wait();

private:
    pid_t m_pid = -1;
    TFd m_out;
    TFd m_err;
    bool m_reaped = false;
    int m_status = 0;
};
