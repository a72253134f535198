#pragma once

#include <QAbstractScrollArea>

class TRichPreview;

// The pages of a print preview on the screen: one page, or two side by side, on a grey
// ground at a zoom (1 shows the paper at its own size on the screen) or fitted to the
// view's width or to its whole. Only the pages in sight are drawn.
//
// Keys: Page Up and Page Down turn the pages, Home and End go to the first and the last,
// Ctrl with + or - zooms; Ctrl with the wheel zooms, the wheel alone scrolls and, past
// a page's edge, turns it.
class TPreviewPages : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum class TFit
    {
        None,
        Width,
        Page
    };
    static constexpr double MinZoom = 0.5;
    static constexpr double MaxZoom = 4.0;

    explicit TPreviewPages(TRichPreview &preview, QWidget *parent = nullptr);

    // The page shown (the left one of two), from 0.
    int CurrentPage() const { return m_current; }
    // Shows page `index`, counting the pages as far as needed: beyond the last, the last.
    void ShowPage(int index);
    void ShowNext() { ShowPage(m_current + m_sideBySide); }
    void ShowPrevious() { ShowPage(m_current - m_sideBySide); }
    void ShowLast();

    int PagesSideBySide() const { return m_sideBySide; }
    void SetPagesSideBySide(int count);

    // The zoom the pages show at, fitted or not.
    double Zoom() const;
    TFit Fit() const { return m_fit; }
    // A zoom of its own, between MinZoom and MaxZoom; the pages no longer fit.
    void SetZoom(double zoom);
    void SetFit(TFit fit);

Q_SIGNALS:
    void PageShown(int index);
    void ZoomChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Screen pixels per inch of paper at the zoom.
    double ScreenDpi() const;
    QSize PageOnScreen() const;
    // The pages shown with the room around and between them, for pages of `page`.
    QSize ContentSize(const QSize &page) const;
    void Relayout();
    void Rezoom();
    void PaintPage(QPainter &painter, int index, const QRect &place, const QRect &exposed);

    TRichPreview &m_preview;
    int m_current = 0;
    int m_sideBySide = 1;
    double m_zoom = 1.0;
    TFit m_fit = TFit::Page;
};
