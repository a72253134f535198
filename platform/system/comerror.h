#pragma once

// The failure of a shell call without which an operation cannot go on.

#include "platform/system/error.h"
#include "platform/system/wintypes.h"

class EOleSysError : public Exception
{
public:
    explicit EOleSysError(HRESULT result);

    HRESULT ErrorCode() const { return m_result; }

private:
    HRESULT m_result;
};

// Raises EOleSysError when `result` reports a failure; answers `result` otherwise.
HRESULT OleCheck(HRESULT result);
