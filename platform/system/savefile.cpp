#include "platform/system/savefile.h"

#include <cerrno>
#include <unistd.h>

#include <QIODevice>

#include "platform/system/error.h"
#include "platform/system/outputfile.h"

namespace {

// Writes straight to a descriptor, and keeps the system's error of the first write that
// fails (the writers buffer what they write themselves).
class TDescriptorDevice : public QIODevice
{
public:
    explicit TDescriptorDevice(int fd)
        : m_fd(fd)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    // The errno of the write that failed; 0 while none has.
    int Error() const { return m_error; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_error != 0)
            return -1;
        qint64 done = 0;
        while (done < size) {
            const ssize_t put = ::write(m_fd, data + done, std::size_t(size - done));
            if (put > 0) {
                done += put;
            } else if (put < 0 && errno == EINTR) {
                continue;
            } else {
                m_error = put < 0 ? errno : EIO;
                return -1;
            }
        }
        return done;
    }

private:
    int m_fd;
    int m_error = 0;
};

} // namespace

void SaveFileAtomically(const std::string &fileName, const std::function<void(QIODevice &)> &write)
{
    TOutputFile output(fileName);
    TDescriptorDevice device(output.Descriptor());
    try {
        write(device);
    } catch (const EWriteError &error) {
        if (device.Error() != 0 && error.Detail().empty())
            throw output.WriteFailure(device.Error());
        throw;
    }
    device.close();
    if (device.Error() != 0)
        throw output.WriteFailure(device.Error());
    output.Commit();
}
