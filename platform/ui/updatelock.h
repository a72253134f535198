#pragma once

// Suspends the drawing of a view (the tree control, the rich text view: anything with
// BeginUpdate and EndUpdate) while it lives. Updates nest, so locks may too.
template <typename TView> class TUpdateLock
{
public:
    explicit TUpdateLock(TView &view)
        : m_view(view)
    {
        m_view.BeginUpdate();
    }
    ~TUpdateLock() { m_view.EndUpdate(); }
    TUpdateLock(const TUpdateLock &) = delete;
    TUpdateLock &operator=(const TUpdateLock &) = delete;

private:
    TView &m_view;
};
