#include "platform/shell/shellapi.h"

namespace {

constexpr IID ComIid(std::uint32_t data1)
{
    return {data1, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

} // namespace

const IID IID_IUnknown = ComIid(0x00000000);
const IID IID_IMalloc = ComIid(0x00000002);
const IID IID_IShellFolder = ComIid(0x000214E6);
const IID IID_IEnumIDList = ComIid(0x000214F2);
const IID IID_IContextMenu = ComIid(0x000214E4);
const IID IID_IContextMenu2 = ComIid(0x000214F4);
const IID IID_IContextMenu3 = {0xBCFCE0A0, 0xEC17, 0x11D0, {0x8D, 0x10, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x19}};
