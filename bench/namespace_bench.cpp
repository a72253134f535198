// Walks one folder through the shell namespace the way the folder tree does: enumerate
// every entry, ask its attributes (the tree's mask) and its display name, free it all.
//
//   namespace_bench FOLDER [ROUNDS]
//
// Prints the number of items and the median time of the rounds in milliseconds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "platform/shell/shellapi.h"

namespace {

// What the walk read of the names, so that reading them is not skipped.
std::size_t g_nameBytes = 0;

std::size_t Walk(IShellFolder *desktop, const std::string &folderPath, IMalloc *malloc)
{
    const std::u16string wide = WideFromSystem(folderPath);
    LPITEMIDLIST list = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &list, nullptr))) {
        std::fprintf(stderr, "cannot parse %s\n", folderPath.c_str());
        std::exit(1);
    }
    void *object = nullptr;
    desktop->BindToObject(list, nullptr, IID_IShellFolder, &object);
    malloc->Free(list);
    const TComPtr<IShellFolder> folder = TComPtr<IShellFolder>::Adopt(static_cast<IShellFolder *>(object));

    IEnumIDList *raw = nullptr;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &raw)
        != S_OK) {
        std::fprintf(stderr, "cannot list %s\n", folderPath.c_str());
        std::exit(1);
    }
    const TComPtr<IEnumIDList> enumerator = TComPtr<IEnumIDList>::Adopt(raw);
    std::size_t count = 0;
    LPITEMIDLIST item = nullptr;
    while (enumerator->Next(1, &item, nullptr) == S_OK) {
        SFGAOF attributes = SFGAO_TREE_MASK;
        LPCITEMIDLIST items[] = {item};
        folder->GetAttributesOf(1, items, &attributes);
        STRRET name;
        if (SUCCEEDED(folder->GetDisplayNameOf(item, SHGDN_NORMAL, &name))) {
            if (name.uType == STRRET_WSTR)
                malloc->Free(name.pOleStr);
            else if (name.uType == STRRET_OFFSET)
                g_nameBytes
                    += std::char_traits<char>::length(reinterpret_cast<const char *>(item) + name.uOffset);
        }
        malloc->Free(item);
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [ROUNDS]\n", argv[0]);
        return 2;
    }
    QCoreApplication application(argc, argv);
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    IMalloc *malloc = nullptr;
    SHGetMalloc(&malloc);
    IShellFolder *rawDesktop = nullptr;
    SHGetDesktopFolder(&rawDesktop);
    const TComPtr<IShellFolder> desktop = TComPtr<IShellFolder>::Adopt(rawDesktop);

    Walk(desktop.Get(), folder, malloc); // warm-up
    std::vector<double> times;
    std::size_t count = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        count = Walk(desktop.Get(), folder, malloc);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%zu items, median %.1f ms over %d rounds, %ld shell blocks left\n", count,
        times[times.size() / 2], rounds, ShellAllocatorLiveBlocks());
    malloc->Release();
    return ShellAllocatorLiveBlocks() == 0 ? 0 : 1;
}
