#include "platform/system/guarded.h"

#include <atomic>
#include <cstdio>

#include "platform/system/error.h"
#include "platform/system/translation.h"

namespace {

std::atomic<TFailureHandler> g_handler{nullptr};

void Report(const std::exception &error)
{
    if (const TFailureHandler handler = g_handler.load())
        handler(error);
    else
        std::fprintf(stderr, "%s\n", error.what());
}

} // namespace

void SetFailureHandler(TFailureHandler handler)
{
    g_handler.store(handler);
}

void Guarded(const std::function<void()> &action)
{
    try {
        action();
    } catch (const std::exception &error) {
        Report(error);
    } catch (...) {
        Report(Exception(TranslatedUtf8("Errors", "Erreur inconnue")));
    }
}
