#pragma once

// The framework's image list as the shell controls use it: a list that shares the
// system image list (ShareImages: freeing the list never touches the shared one) or
// holds nothing. Icons can carry an overlay drawn on their lower left corner: 0 the
// shared-folder emblem, 1 the link arrow.

#include <QHash>
#include <QIcon>
#include <QObject>

class TSystemImageList;
using HIMAGELIST = TSystemImageList *;

enum class TDrawingStyle
{
    dsFocus,
    dsSelected,
    dsNormal,
    dsTransparent
};

constexpr unsigned clNone = 0x1FFFFFFF;

enum TOverlayIndex
{
    oiShared = 0,
    oiLink = 1,
    oiCount = 2
};

class TImageList : public QObject
{
    Q_OBJECT

public:
    explicit TImageList(QObject *owner = nullptr);

    bool Masked = true;
    unsigned BkColor = clNone;
    TDrawingStyle DrawingStyle = TDrawingStyle::dsNormal;
    bool ShareImages = false;

    // The system image list this list shows, or null.
    HIMAGELIST Handle() const { return m_handle; }
    void SetHandle(HIMAGELIST handle);

    int Count() const;
    // The icon at `index` with the overlay `overlay` (-1 for none) drawn on it; a null
    // icon for an index outside the list.
    QIcon Icon(int index, int overlay = -1) const;

private:
    HIMAGELIST m_handle = nullptr;
    mutable QHash<qint64, QIcon> m_overlaid;
};
