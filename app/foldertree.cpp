#include "app/foldertree.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>

#include "platform/application.h"

TFolderTreeStandIn::TFolderTreeStandIn(QWidget *parent)
    : QTreeView(parent)
    , m_model(new QFileSystemModel(this))
{
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());
    setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setRootIndex(m_model->index(QDir::rootPath()));
    const QModelIndex home = m_model->index(QDir::homePath());
    if (home.isValid()) {
        expand(home.parent());
        expand(home);
        scrollTo(home);
    }
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex &) {
        Guarded([this] {
            if (OnClick)
                OnClick(this);
        });
    });
}

std::string TFolderTreeStandIn::Selection() const
{
    if (!m_chosenPath.empty())
        return m_chosenPath;
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return {};
    return QFile::encodeName(m_model->filePath(current)).toStdString();
}

void TFolderTreeStandIn::SelectPath(const std::string &path)
{
    const QModelIndex index = m_model->index(QFile::decodeName(QByteArray::fromStdString(path)));
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index);
    }
    m_chosenPath = path;
}

void TFolderTreeStandIn::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    m_chosenPath.clear();
    QTreeView::currentChanged(current, previous);
}
