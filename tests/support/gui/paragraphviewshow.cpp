#include "tests/support/gui/paragraphviewshow.h"

#include "platform/ui/paragraphview.h"

void ShowFocused(TParagraphView &view, std::initializer_list<std::pair<QStringView, bool>> lines)
{
    view.resize(400, 300);
    for (const auto &[text, bold] : lines)
        view.Store().Append(text, bold);
    view.StoreChanged();
    view.show();
    view.setFocus();
}
