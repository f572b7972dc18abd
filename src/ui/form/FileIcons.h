#pragma once

#include <QIcon>

// The platform's icons for a folder and for a file, looked up once: a refresh
// chooses by entry type only and so never opens or reads an entry.
class FileIcons {
public:
    FileIcons();

    const QIcon& Folder() const { return m_folder; }
    const QIcon& File() const { return m_file; }

private:
    QIcon m_folder;
    QIcon m_file;
};
