#include "picture/svg.h"

#include <QIODevice>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zlib.h>

#include <algorithm>

namespace {

// The gzip stream inflated, or empty when it is damaged or inflates beyond octets_svg_maximaux.
QByteArray inflater(const QByteArray& compresse)
{
    z_stream flux{};
    if (inflateInit2(&flux, 16 + MAX_WBITS) != Z_OK) // 16: a gzip header, not a zlib one
        return {};
    flux.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compresse.constData()));
    flux.avail_in = static_cast<uInt>(compresse.size());
    QByteArray sortie;
    char morceau[64 * 1024];
    int etat = Z_OK;
    while (etat == Z_OK) {
        flux.next_out = reinterpret_cast<Bytef*>(morceau);
        flux.avail_out = sizeof morceau;
        etat = inflate(&flux, Z_NO_FLUSH);
        const qsizetype produits = qsizetype(sizeof morceau - flux.avail_out);
        if ((etat != Z_OK && etat != Z_STREAM_END) || sortie.size() + produits > octets_svg_maximaux
            || (etat == Z_OK && produits == 0 && flux.avail_in == 0)) {
            sortie.clear();
            break;
        }
        sortie.append(morceau, produits);
    }
    inflateEnd(&flux);
    return sortie;
}

bool reference_externe(QStringView nom, QStringView valeur)
{
    if (!nom.endsWith(u"href", Qt::CaseInsensitive))
        return false;
    const QStringView lien = valeur.trimmed();
    return !lien.startsWith(u'#') && !lien.startsWith(u"data:", Qt::CaseInsensitive);
}

} // namespace

QByteArray svg_autonome(QIODevice& fichier)
{
    QByteArray octets = fichier.read(octets_svg_maximaux + 1);
    if (octets.size() > octets_svg_maximaux)
        return {};
    if (octets.startsWith("\x1F\x8B"))
        octets = inflater(octets);

    // Names are kept as written (prefix included), so the document is copied without rebuilding
    // its namespaces; the document type goes, its entities already expanded by the reader.
    QXmlStreamReader lecteur(octets);
    lecteur.setNamespaceProcessing(false);
    QByteArray copie;
    QXmlStreamWriter ecrivain(&copie);
    while (!lecteur.atEnd()) {
        switch (lecteur.readNext()) {
        case QXmlStreamReader::StartElement: {
            // A hyperlink keeps what it holds, without its target; anything else that draws from
            // elsewhere (an image, a <use> of another file) goes whole.
            const QXmlStreamAttributes attributs = lecteur.attributes();
            const QStringView nom = lecteur.qualifiedName();
            const bool lien = nom == u"a" || nom.endsWith(u":a");
            const auto externe = [](const QXmlStreamAttribute& a) { return reference_externe(a.qualifiedName(), a.value()); };
            if (!lien && std::any_of(attributs.begin(), attributs.end(), externe)) {
                lecteur.skipCurrentElement();
                break;
            }
            ecrivain.writeStartElement(lecteur.qualifiedName().toString());
            for (const QXmlStreamAttribute& attribut : attributs) {
                if (!externe(attribut))
                    ecrivain.writeAttribute(attribut.qualifiedName().toString(), attribut.value().toString());
            }
            break;
        }
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference: // undeclared: nothing to expand it to
        case QXmlStreamReader::Invalid:
            break;
        default:
            ecrivain.writeCurrentToken(lecteur);
            break;
        }
    }
    if (lecteur.hasError() || copie.size() > octets_svg_maximaux)
        return {};
    return copie;
}
