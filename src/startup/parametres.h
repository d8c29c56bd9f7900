#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

// The per-user settings store: one INI file, $XDG_CONFIG_HOME/<exe>/<exe>.conf, section
// "parametres", every value text. A missing key reads as empty text.
//
// A file that cannot be read or written never stops the program: the store then keeps the
// values of this run in memory, leaves the file as it is, and says so once.
class Parametres {
public:
    QString lire(const QString& cle);
    void sauver(const QString& cle, const QString& valeur);

    // The stored text read as a number by the numeric prefix rule (see valeur_numerique).
    double nombre(const QString& cle) { return valeur_numerique(lire(cle)); }

    static QString chemin_fichier();

    // Numeric prefix rule: blanks are skipped, the longest leading decimal number is taken
    // ("12abc" -> 12, " -3.5" -> -3.5), text without a leading number gives 0.
    static double valeur_numerique(QStringView texte);

    bool en_memoire() const { return m_en_memoire; }

    // True for text QSettings reads as it stands: UTF-8 lines that are blank, comments,
    // "[section]" or "key=value".
    static bool texte_ini_valide(const QByteArray& octets);

private:
    enum class Panne { Lecture, Ecriture };
    void passer_en_memoire(Panne panne, QHash<QString, QString> valeurs);
    bool fichier_utilisable(const QString& chemin);

    bool m_en_memoire = false;
    bool m_panne_signalee = false;
    QHash<QString, QString> m_memoire;
    QString m_fichier_verifie;
};
