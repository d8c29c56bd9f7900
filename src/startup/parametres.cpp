#include "startup/parametres.h"

#include "forms/interaction.h"
#include "platform/dossiers.h"
#include "startup/module.h"

#include <QFile>
#include <QSettings>
#include <QStringDecoder>

namespace {

const QString section = QStringLiteral("parametres");

// QSettings turns an unquoted "a, b" into a list; the store only knows text.
QString en_texte(const QVariant& valeur)
{
    if (valeur.userType() == QMetaType::QStringList)
        return valeur.toStringList().join(QStringLiteral(", "));
    return valeur.toString();
}

QHash<QString, QString> valeurs_de(QSettings& fichier)
{
    QHash<QString, QString> valeurs;
    fichier.beginGroup(section);
    const QStringList cles = fichier.childKeys();
    for (const QString& cle : cles)
        valeurs.insert(cle, en_texte(fichier.value(cle)));
    fichier.endGroup();
    return valeurs;
}

} // namespace

bool Parametres::texte_ini_valide(const QByteArray& octets)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texte = utf8(octets);
    if (utf8.hasError() || texte.contains(QChar(0)))
        return false;
    for (QStringView ligne : QStringView(texte).split(u'\n')) {
        ligne = ligne.trimmed();
        if (ligne.isEmpty() || ligne.startsWith(u';') || ligne.startsWith(u'#'))
            continue;
        const bool section = ligne.startsWith(u'[') && ligne.endsWith(u']');
        if (!section && !ligne.contains(u'='))
            return false;
    }
    return true;
}

bool Parametres::fichier_utilisable(const QString& chemin)
{
    // QSettings reads some damaged files as empty and would then write over them:
    // check the text once per run and file before letting it touch the file.
    if (chemin == m_fichier_verifie)
        return true;
    QFile fichier(chemin);
    if (fichier.exists()) {
        if (!fichier.open(QIODevice::ReadOnly) || !texte_ini_valide(fichier.readAll()))
            return false;
    }
    m_fichier_verifie = chemin;
    return true;
}

QString Parametres::chemin_fichier()
{
    const QString nom = dossiers::nom_executable();
    return dossiers::configuration() + u'/' + nom + u'/' + nom + QStringLiteral(".conf");
}

QString Parametres::lire(const QString& cle)
{
    if (m_en_memoire)
        return m_memoire.value(cle);

    const QString chemin = chemin_fichier();
    if (!fichier_utilisable(chemin)) {
        passer_en_memoire(Panne::Lecture, {});
        return {};
    }
    QSettings fichier(chemin, QSettings::IniFormat);
    const QString valeur = en_texte(fichier.value(section + u'/' + cle));
    if (fichier.status() != QSettings::NoError) {
        // Unreadable or damaged: run on an empty store, so start-up writes the defaults.
        passer_en_memoire(Panne::Lecture, {});
        return {};
    }
    return valeur;
}

void Parametres::sauver(const QString& cle, const QString& valeur)
{
    if (m_en_memoire) {
        m_memoire.insert(cle, valeur);
        return;
    }

    const QString chemin = chemin_fichier();
    QSettings fichier(chemin, QSettings::IniFormat);
    if (!fichier_utilisable(chemin) || fichier.status() != QSettings::NoError) {
        passer_en_memoire(Panne::Lecture, {{cle, valeur}});
        return;
    }
    fichier.setValue(section + u'/' + cle, valeur);
    fichier.sync(); // written through a temporary file and a rename: a crash loses nothing
    if (fichier.status() == QSettings::FormatError) {
        // QSettings refuses to overwrite a file it could not parse: keep it, run on defaults.
        passer_en_memoire(Panne::Lecture, {{cle, valeur}});
    } else if (fichier.status() != QSettings::NoError) {
        // Keep what was readable, so the rest of the run sees the user's settings.
        QHash<QString, QString> valeurs = valeurs_de(fichier);
        valeurs.insert(cle, valeur);
        passer_en_memoire(Panne::Ecriture, std::move(valeurs));
    }
}

void Parametres::passer_en_memoire(Panne panne, QHash<QString, QString> valeurs)
{
    m_en_memoire = true;
    m_memoire = std::move(valeurs);
    if (m_panne_signalee)
        return;
    m_panne_signalee = true;

    const QString chemin = chemin_fichier();
    Message m;
    m.titre = QStringLiteral("Imagora");
    m.icone = Icone::Exclamation;
    if (panne == Panne::Lecture) {
        m.texte = QStringLiteral("Le fichier des paramètres ne peut pas être lu :\n%1\n\n"
                                 "Le programme démarre avec les réglages par défaut. "
                                 "Le fichier est laissé tel quel et les réglages de cette session "
                                 "ne seront pas enregistrés.")
                      .arg(chemin);
    } else {
        m.texte = QStringLiteral("Les paramètres ne peuvent pas être enregistrés dans le fichier :\n%1\n\n"
                                 "Les réglages modifiés restent valables jusqu'à la fermeture du programme, "
                                 "mais ne seront pas conservés.")
                      .arg(chemin);
    }
    module().interaction->message(nullptr, m);
}

double Parametres::valeur_numerique(QStringView texte)
{
    qsizetype i = 0;
    const auto blanc = [&] { return i < texte.size() && (texte[i] == u' ' || texte[i] == u'\t'); };
    while (blanc())
        ++i;

    const qsizetype debut = i;
    if (i < texte.size() && (texte[i] == u'+' || texte[i] == u'-'))
        ++i;
    const qsizetype debut_chiffres = i;
    while (i < texte.size() && texte[i].isDigit() && texte[i].unicode() < 128)
        ++i;
    qsizetype fin = i;
    bool chiffres = i > debut_chiffres;
    if (i < texte.size() && texte[i] == u'.') {
        ++i;
        const qsizetype debut_fraction = i;
        while (i < texte.size() && texte[i].isDigit() && texte[i].unicode() < 128)
            ++i;
        if (i > debut_fraction) {
            chiffres = true;
            fin = i;
        } else if (chiffres) {
            fin = i; // "12." reads as 12
        }
    }
    if (!chiffres)
        return 0;
    bool ok = false;
    const double valeur = texte.sliced(debut, fin - debut).toString().toDouble(&ok);
    return ok ? valeur : 0;
}
