#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

namespace kelvarin::gui {

// The icons of the stage lists: the platform's folder icon, and for a file
// its type's icon from the desktop's icon theme. The type comes from the
// name alone, so a refresh never opens or reads an entry, and each type's
// icon is looked up once.
class FileIcons {
public:
    FileIcons();

    const QIcon& Folder() const { return m_folder; }
    // The type's own icon, else its family's generic one (text, archive...),
    // else the platform's plain file icon.
    const QIcon& ForFile(const QString& name) const;

private:
    QMimeDatabase m_types;
    QIcon m_folder;
    QIcon m_file;
    mutable QHash<QString, QIcon> m_byType;
    mutable QHash<QString, QIcon> m_byExtension;
};

} // namespace kelvarin::gui
