#pragma once

#include <QTemporaryDir>
#include <QString>

// A fresh home for one test: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR point into
// a temporary folder, and the settings store starts from its file again. Restored on destruction.
class BacASable {
public:
    BacASable();
    ~BacASable();
    BacASable(const BacASable&) = delete;
    BacASable& operator=(const BacASable&) = delete;

    QString racine() const { return m_dossier.path(); }
    QString chemin(const QString& relatif) const { return m_dossier.filePath(relatif); }

private:
    QTemporaryDir m_dossier;
    QByteArray m_anciens[4];
};

// Whole contents of a file, or an empty array when it cannot be read.
QByteArray contenu(const QString& chemin);
void ecrire(const QString& chemin, const QByteArray& octets);
