#pragma once

#include <QDialog>

class QFrame;
class QLabel;

// The small window that follows a print job: status, job title, page number. It stays
// on top of the other windows and has no buttons: the job closes it.
class TRichPrntProgDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TRichPrntProgDlg(QWidget *parent = nullptr);

    // Puts `status` into lblStatus and tells whoever follows the job.
    void SetStatus(const QString &status);

    QFrame *Bevel = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblPageNumDesc = nullptr;
    QLabel *lblPageNumber = nullptr;

Q_SIGNALS:
    void StatusChanged(const QString &status);
};
