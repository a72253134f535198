#pragma once

#include <initializer_list>
#include <utility>

#include <QStringView>

class TParagraphView;

// Shows the view at 400 by 300 holding the lines (text and whether it is bold), with the
// focus.
void ShowFocused(TParagraphView &view, std::initializer_list<std::pair<QStringView, bool>> lines);
