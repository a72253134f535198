#include "platform/system/comerror.h"

#include <cstdio>

namespace {

std::string MessageOf(HRESULT result)
{
    switch (result) {
    case E_ACCESSDENIED:
        return "Access denied.";
    case E_OUTOFMEMORY:
        return "Not enough memory.";
    case E_INVALIDARG:
        return "The parameter is incorrect.";
    case E_NOINTERFACE:
        return "No such interface supported.";
    case E_NOTIMPL:
        return "Not implemented.";
    default:
        break;
    }
    if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
        return "The system cannot find the file specified.";
    if (result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
        return "The system cannot find the path specified.";
    char text[48];
    std::snprintf(text, sizeof text, "Unspecified error (0x%08X).", static_cast<unsigned>(result));
    return text;
}

} // namespace

EOleSysError::EOleSysError(HRESULT result)
    : Exception(MessageOf(result))
    , m_result(result)
{ }

HRESULT OleCheck(HRESULT result)
{
    if (FAILED(result))
        throw EOleSysError(result);
    return result;
}
