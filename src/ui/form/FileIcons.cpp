#include "ui/form/FileIcons.h"

#include <QFileIconProvider>

FileIcons::FileIcons() {
    const QFileIconProvider provider;
    m_folder = provider.icon(QAbstractFileIconProvider::Folder);
    m_file = provider.icon(QAbstractFileIconProvider::File);
}
