#include "platform/system/savefile.h"

#include <QFile>

#include "platform/system/error.h"
#include "platform/system/outputfile.h"

void SaveFileAtomically(const std::string &fileName, const std::function<void(QIODevice &)> &write)
{
    TOutputFile output(fileName);
    QFile file;
    if (!file.open(output.Descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        throw EWriteError(SWriteError);
    write(file);
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw EWriteError(SWriteError);
    output.Commit();
}
