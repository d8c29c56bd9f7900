// X11 probe for the soak test. Four commands:
//   sonde fenetres PID        the top-level windows of process PID that can be seen, bottom to top
//                             of the stacking order, one a line:
//                             id <tab> x <tab> y <tab> width <tab> height <tab> kind <tab> focus <tab> title
//                             (client area, screen coordinates; kind is the window type without
//                             _NET_WM_WINDOW_TYPE_, in lower case, or "normal"; focus is 1 when the
//                             keyboard focus is in that window, else 0). Exit 1 when none.
//   sonde haut PID            the line of the topmost of them that takes input (no tooltip, no
//                             window of a few pixels). Exit 1 when none.
//   sonde ping WINDOW MS      sends _NET_WM_PING to WINDOW and waits up to MS milliseconds for the
//                             answer on the root window; prints the round trip in milliseconds.
//                             Exit 0 answered, 1 no answer while the window is still shown,
//                             3 the window went away (destroyed or hidden) before answering.
//   sonde bmp FILE W H        writes a W x H 24-bit BMP of colour gradients.
// Exit 2 when the display cannot be opened or the arguments are wrong.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Affichage = std::unique_ptr<Display, int (*)(Display*)>;

// The last X error caught; requests on windows that vanish meanwhile are expected here.
int derniere_erreur = 0;

int noter_erreur(Display*, XErrorEvent* e)
{
    derniere_erreur = e->error_code;
    return 0;
}

Affichage ouvrir()
{
    Affichage d(XOpenDisplay(nullptr), XCloseDisplay);
    if (d)
        XSetErrorHandler(noter_erreur);
    return d;
}

// A property of 32-bit items, empty when missing.
std::vector<unsigned long> propriete(Display* d, Window w, Atom nom, Atom type)
{
    Atom reel = None;
    int format = 0;
    unsigned long n = 0, reste = 0;
    unsigned char* donnees = nullptr;
    std::vector<unsigned long> valeurs;
    if (XGetWindowProperty(d, w, nom, 0, 64, False, type, &reel, &format, &n, &reste, &donnees) == Success && donnees) {
        if (format == 32) {
            const auto* v = reinterpret_cast<const unsigned long*>(donnees);
            valeurs.assign(v, v + n);
        }
        XFree(donnees);
    }
    return valeurs;
}

std::string titre(Display* d, Window w)
{
    Atom reel = None;
    int format = 0;
    unsigned long n = 0, reste = 0;
    unsigned char* donnees = nullptr;
    std::string texte;
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False, utf8, &reel, &format, &n, &reste,
                           &donnees) == Success && donnees) {
        texte.assign(reinterpret_cast<const char*>(donnees), n);
        XFree(donnees);
        return texte;
    }
    if (donnees)
        XFree(donnees);
    donnees = nullptr;
    if (XGetWindowProperty(d, w, XA_WM_NAME, 0, 1024, False, AnyPropertyType, &reel, &format, &n, &reste, &donnees)
            == Success && donnees) {
        texte.assign(reinterpret_cast<const char*>(donnees), n);
        XFree(donnees);
    }
    return texte;
}

bool visible(Display* d, Window w)
{
    XWindowAttributes a;
    derniere_erreur = 0;
    if (!XGetWindowAttributes(d, w, &a) || derniere_erreur)
        return false;
    return a.map_state == IsViewable;
}

// The application window inside a root child: the child itself for a window the window manager
// leaves alone (override-redirect) or, under a frame, the descendant that carries WM_STATE.
Window client_de(Display* d, Window w, Atom wm_state, Atom pid, int profondeur)
{
    if (!propriete(d, w, pid, XA_CARDINAL).empty())
        return w;
    Atom reel = None;
    int format = 0;
    unsigned long n = 0, reste = 0;
    unsigned char* donnees = nullptr;
    if (XGetWindowProperty(d, w, wm_state, 0, 0, False, AnyPropertyType, &reel, &format, &n, &reste, &donnees) == Success
        && reel != None) {
        if (donnees)
            XFree(donnees);
        return w;
    }
    if (donnees)
        XFree(donnees);
    if (profondeur == 0)
        return None;
    Window racine = None, parent = None, *enfants = nullptr;
    unsigned int nombre = 0;
    Window trouve = None;
    if (XQueryTree(d, w, &racine, &parent, &enfants, &nombre)) {
        for (unsigned int i = nombre; i-- > 0 && trouve == None;)
            trouve = client_de(d, enfants[i], wm_state, pid, profondeur - 1);
        if (enfants)
            XFree(enfants);
    }
    return trouve;
}

// True when `w` is `client` or one of its descendants.
bool dans(Display* d, Window w, Window client)
{
    for (int i = 0; i < 16 && w != None; ++i) {
        if (w == client)
            return true;
        Window racine = None, parent = None, *enfants = nullptr;
        unsigned int nombre = 0;
        if (!XQueryTree(d, w, &racine, &parent, &enfants, &nombre))
            return false;
        if (enfants)
            XFree(enfants);
        if (parent == racine)
            return false;
        w = parent;
    }
    return false;
}

int fenetres(unsigned long pid_cherche, bool seulement_le_haut)
{
    const Affichage affichage = ouvrir();
    if (!affichage)
        return 2;
    Display* d = affichage.get();
    const Window racine = DefaultRootWindow(d);
    const Atom wm_state = XInternAtom(d, "WM_STATE", False);
    const Atom pid = XInternAtom(d, "_NET_WM_PID", False);
    const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);

    // Windows that go away while the tree is read only raise errors that noter_erreur takes.
    Window r = None, parent = None, *enfants = nullptr;
    unsigned int nombre = 0;
    Window focus = None;
    int retour = 0;
    XGetInputFocus(d, &focus, &retour);
    std::vector<std::string> lignes;
    if (XQueryTree(d, racine, &r, &parent, &enfants, &nombre)) {
        for (unsigned int i = 0; i < nombre; ++i) {
            if (!visible(d, enfants[i]))
                continue;
            const Window client = client_de(d, enfants[i], wm_state, pid, 3);
            if (client == None || !visible(d, client))
                continue;
            const auto p = propriete(d, client, pid, XA_CARDINAL);
            if (p.empty() || p.front() != pid_cherche)
                continue;
            XWindowAttributes a;
            int x = 0, y = 0;
            Window inutile = None;
            if (!XGetWindowAttributes(d, client, &a) || !XTranslateCoordinates(d, client, racine, 0, 0, &x, &y, &inutile))
                continue;
            std::string genre = "normal";
            const auto types = propriete(d, client, type, XA_ATOM);
            if (!types.empty()) {
                if (char* nom = XGetAtomName(d, types.front())) {
                    genre = nom;
                    XFree(nom);
                    const std::string prefixe = "_NET_WM_WINDOW_TYPE_";
                    if (genre.rfind(prefixe, 0) == 0)
                        genre.erase(0, prefixe.size());
                    for (char& c : genre)
                        c = char(std::tolower(static_cast<unsigned char>(c)));
                }
            }
            if (seulement_le_haut && (genre == "tooltip" || a.width <= 4 || a.height <= 4))
                continue;
            std::string t = titre(d, client);
            for (char& c : t) {
                if (c == '\t' || c == '\n')
                    c = ' ';
            }
            const bool a_le_focus = focus != None && focus != PointerRoot && dans(d, focus, client);
            lignes.push_back(std::to_string(client) + '\t' + std::to_string(x) + '\t' + std::to_string(y) + '\t'
                             + std::to_string(a.width) + '\t' + std::to_string(a.height) + '\t' + genre + '\t'
                             + (a_le_focus ? "1" : "0") + '\t' + t);
        }
        if (enfants)
            XFree(enfants);
    }
    if (seulement_le_haut && !lignes.empty())
        lignes.erase(lignes.begin(), lignes.end() - 1);
    for (const std::string& l : lignes)
        std::printf("%s\n", l.c_str());
    return lignes.empty() ? 1 : 0;
}

using Horloge = std::chrono::steady_clock;

// Waits for the next event until `fin`; false when the time is up.
bool evenement_avant(Display* d, XEvent& e, Horloge::time_point fin)
{
    while (!XPending(d)) {
        const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(fin - Horloge::now()).count();
        if (reste <= 0)
            return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, int(reste));
    }
    XNextEvent(d, &e);
    return true;
}

int ping(Window cible, long delai_ms)
{
    const Affichage affichage = ouvrir();
    if (!affichage)
        return 2;
    Display* d = affichage.get();
    const Window racine = DefaultRootWindow(d);
    const Atom protocoles = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom net_ping = XInternAtom(d, "_NET_WM_PING", False);

    // A real server time for the request: the time of a property change on a window of our own.
    const Window propre = XCreateSimpleWindow(d, racine, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(d, propre, PropertyChangeMask);
    const Atom marque = XInternAtom(d, "_IMAGORA_SONDE", False);
    XChangeProperty(d, propre, marque, XA_STRING, 8, PropModeAppend, nullptr, 0);
    // Qt answers on the root window, to the clients that listen for its structure or its children's.
    XSelectInput(d, racine, StructureNotifyMask | SubstructureNotifyMask);
    XEvent e;
    Time instant = CurrentTime;
    const auto fin_instant = Horloge::now() + std::chrono::seconds(5);
    while (instant == CurrentTime && evenement_avant(d, e, fin_instant)) {
        if (e.type == PropertyNotify && e.xproperty.window == propre)
            instant = e.xproperty.time;
    }
    if (instant == CurrentTime)
        return 2;

    XEvent demande{};
    demande.xclient.type = ClientMessage;
    demande.xclient.window = cible;
    demande.xclient.message_type = protocoles;
    demande.xclient.format = 32;
    demande.xclient.data.l[0] = long(net_ping);
    demande.xclient.data.l[1] = long(instant);
    demande.xclient.data.l[2] = long(cible);
    derniere_erreur = 0;
    const auto depart = Horloge::now();
    XSendEvent(d, cible, False, NoEventMask, &demande);
    XSync(d, False);
    if (derniere_erreur == BadWindow)
        return 3;

    const auto fin = depart + std::chrono::milliseconds(delai_ms);
    while (evenement_avant(d, e, fin)) {
        if (e.type == ClientMessage && e.xclient.message_type == protocoles && e.xclient.format == 32
            && static_cast<Atom>(e.xclient.data.l[0]) == net_ping && static_cast<Time>(e.xclient.data.l[1]) == instant
            && static_cast<Window>(e.xclient.data.l[2]) == cible) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Horloge::now() - depart).count();
            std::printf("%lld\n", static_cast<long long>(ms));
            return 0;
        }
    }
    std::printf("%ld\n", delai_ms);
    // No answer: a hang only if the window is still there to answer.
    return visible(d, cible) ? 1 : 3;
}

int bmp(const char* chemin, long largeur, long hauteur)
{
    if (largeur <= 0 || hauteur <= 0 || largeur > 30000 || hauteur > 30000)
        return 2;
    const std::uint32_t ligne = std::uint32_t((largeur * 3 + 3) / 4 * 4);
    const std::uint32_t taille_pixels = ligne * std::uint32_t(hauteur);
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(chemin, "wb"), std::fclose);
    if (!f)
        return 2;
    unsigned char entete[54] = {'B', 'M'};
    const auto ecrire32 = [&](int ou, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            entete[ou + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    ecrire32(2, 54 + taille_pixels);
    ecrire32(10, 54);
    ecrire32(14, 40);
    ecrire32(18, std::uint32_t(largeur));
    ecrire32(22, std::uint32_t(hauteur));
    entete[26] = 1;
    entete[28] = 24;
    ecrire32(34, taille_pixels);
    ecrire32(38, 2835);
    ecrire32(42, 2835);
    if (std::fwrite(entete, 1, sizeof entete, f.get()) != sizeof entete)
        return 2;
    std::vector<unsigned char> rangee(ligne, 0);
    for (long y = 0; y < hauteur; ++y) {
        for (long x = 0; x < largeur; ++x) {
            rangee[size_t(x) * 3] = static_cast<unsigned char>(x * 255 / largeur);
            rangee[size_t(x) * 3 + 1] = static_cast<unsigned char>(y * 255 / hauteur);
            rangee[size_t(x) * 3 + 2] = static_cast<unsigned char>((x / 64 + y / 64) % 2 ? 200 : 40);
        }
        if (std::fwrite(rangee.data(), 1, rangee.size(), f.get()) != rangee.size())
            return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string commande = argc > 1 ? argv[1] : "";
    if ((commande == "fenetres" || commande == "haut") && argc == 3)
        return fenetres(std::strtoul(argv[2], nullptr, 10), commande == "haut");
    if (commande == "ping" && argc == 4)
        return ping(std::strtoul(argv[2], nullptr, 0), std::strtol(argv[3], nullptr, 10));
    if (commande == "bmp" && argc == 5)
        return bmp(argv[2], std::strtol(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10));
    std::fprintf(stderr, "usage: sonde fenetres PID | haut PID | ping WINDOW MS | bmp FILE W H\n");
    return 2;
}
