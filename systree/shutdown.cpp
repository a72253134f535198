#include "systree/shutdown.h"

#include <iostream>

#include "systree/folderitemdata.h"
#include "systree/systemtreeview.h"

void ShellUnitsShutdown()
{
    SystemTreeViewShutdown();
    ShellControlsShutdown();
}

int ShellControlsExitStatus(int status, std::ostream &errors)
{
    try {
        ShellUnitsShutdown();
    } catch (const Exception &error) {
        errors << error.Message() << std::endl;
        return status != 0 ? status : 1;
    }
    return status;
}

int ShellControlsExitStatus(int status)
{
    return ShellControlsExitStatus(status, std::cerr);
}
