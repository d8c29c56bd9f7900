// X11 probe for the soak test. Two commands:
//   sonde haut PID       the topmost window of process PID that can be seen and takes input (no
//                        tooltip, no window of a few pixels), as one line:
//                        id <tab> x <tab> y <tab> width <tab> height <tab> kind <tab> focus <tab> title
//                        (client area in screen coordinates; kind is the window type without
//                        _NET_WM_WINDOW_TYPE_, in lower case, or "normal"; focus is 1 when the
//                        keyboard focus is in it). Exit 1 when there is none.
//   sonde ping WINDOW MS sends _NET_WM_PING to WINDOW and waits up to MS milliseconds for the answer
//                        on the root window; prints the round trip in milliseconds. Exit 0 answered,
//                        1 no answer while the window is still shown, 3 the window went away first.
// Exit 2 when the display cannot be opened or the arguments are wrong.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The last X error caught; requests on windows that vanish meanwhile are expected here.
int derniere_erreur = 0;

std::unique_ptr<Display, int (*)(Display*)> ouvrir()
{
    XSetErrorHandler([](Display*, XErrorEvent* e) { return derniere_erreur = e->error_code, 0; });
    return {XOpenDisplay(nullptr), XCloseDisplay};
}

// A property's raw bytes and its item size in bits (0 when missing).
std::string propriete(Display* d, Window w, const char* nom, Atom type, int* format = nullptr)
{
    Atom reel = None;
    int f = 0;
    unsigned long n = 0, reste = 0;
    unsigned char* donnees = nullptr;
    std::string octets;
    if (XGetWindowProperty(d, w, XInternAtom(d, nom, False), 0, 1024, False, type, &reel, &f, &n, &reste, &donnees) == Success
        && donnees)
        octets.assign(reinterpret_cast<const char*>(donnees), f == 32 ? n * sizeof(long) : n * (f / 8));
    if (donnees)
        XFree(donnees);
    if (format)
        *format = reel == None ? 0 : f;
    return octets;
}

long premier_long(const std::string& octets) { return octets.size() >= sizeof(long) ? *reinterpret_cast<const long*>(octets.data()) : -1; }

bool visible(Display* d, Window w)
{
    XWindowAttributes a;
    derniere_erreur = 0;
    return XGetWindowAttributes(d, w, &a) && !derniere_erreur && a.map_state == IsViewable;
}

std::vector<Window> enfants(Display* d, Window w, Window* parent = nullptr)
{
    Window racine = None, p = None, *liste = nullptr;
    unsigned int n = 0;
    std::vector<Window> v;
    if (XQueryTree(d, w, &racine, &p, &liste, &n))
        v.assign(liste, liste + n);
    if (liste)
        XFree(liste);
    if (parent)
        *parent = p == racine ? None : p;
    return v;
}

// The application window inside a root child: the child itself for a window the window manager
// leaves alone (override-redirect) or, under a frame, the descendant that carries WM_STATE.
Window client_de(Display* d, Window w, int profondeur)
{
    int format = 0;
    if (!propriete(d, w, "_NET_WM_PID", XA_CARDINAL).empty() || (propriete(d, w, "WM_STATE", AnyPropertyType, &format), format))
        return w;
    if (profondeur == 0)
        return None;
    const std::vector<Window> sous = enfants(d, w);
    for (auto i = sous.rbegin(); i != sous.rend(); ++i)
        if (const Window c = client_de(d, *i, profondeur - 1))
            return c;
    return None;
}

int haut(long pid_cherche)
{
    const auto affichage = ouvrir();
    if (!affichage)
        return 2;
    Display* d = affichage.get();
    const Window racine = DefaultRootWindow(d);
    Window focus = None;
    int retour = 0;
    XGetInputFocus(d, &focus, &retour);
    const std::vector<Window> pile = enfants(d, racine); // bottom to top
    for (auto i = pile.rbegin(); i != pile.rend(); ++i) {
        const Window client = visible(d, *i) ? client_de(d, *i, 3) : None;
        XWindowAttributes a;
        int x = 0, y = 0;
        Window inutile = None;
        if (client == None || !visible(d, client) || premier_long(propriete(d, client, "_NET_WM_PID", XA_CARDINAL)) != pid_cherche
            || !XGetWindowAttributes(d, client, &a) || !XTranslateCoordinates(d, client, racine, 0, 0, &x, &y, &inutile))
            continue;
        std::string genre = "normal";
        if (const long type = premier_long(propriete(d, client, "_NET_WM_WINDOW_TYPE", XA_ATOM)); type > 0) {
            if (char* nom = XGetAtomName(d, Atom(type))) {
                genre = std::string(nom).substr(std::string(nom).rfind("_NET_WM_WINDOW_TYPE_", 0) == 0 ? 20 : 0);
                XFree(nom);
                for (char& c : genre)
                    c = char(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        if (genre == "tooltip" || a.width <= 4 || a.height <= 4)
            continue;
        std::string titre = propriete(d, client, "_NET_WM_NAME", XInternAtom(d, "UTF8_STRING", False));
        if (titre.empty())
            titre = propriete(d, client, "WM_NAME", AnyPropertyType);
        for (char& c : titre)
            if (c == '\t' || c == '\n')
                c = ' ';
        bool a_le_focus = false;
        for (Window w = focus; w != None && w != PointerRoot && !a_le_focus; enfants(d, w, &w))
            a_le_focus = w == client;
        std::printf("%lu\t%d\t%d\t%d\t%d\t%s\t%d\t%s\n", client, x, y, a.width, a.height, genre.c_str(), a_le_focus, titre.c_str());
        return 0;
    }
    return 1;
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
    const auto affichage = ouvrir();
    if (!affichage)
        return 2;
    Display* d = affichage.get();
    const Window racine = DefaultRootWindow(d);
    const Atom protocoles = XInternAtom(d, "WM_PROTOCOLS", False), net_ping = XInternAtom(d, "_NET_WM_PING", False);

    // A real server time for the request: the time of a property change on a window of our own.
    const Window propre = XCreateSimpleWindow(d, racine, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(d, propre, PropertyChangeMask);
    XChangeProperty(d, propre, XInternAtom(d, "_IMAGORA_SONDE", False), XA_STRING, 8, PropModeAppend, nullptr, 0);
    // Qt answers on the root window, to the clients that listen for its structure or its children's.
    XSelectInput(d, racine, StructureNotifyMask | SubstructureNotifyMask);
    XEvent e;
    Time instant = CurrentTime;
    const auto fin_instant = Horloge::now() + std::chrono::seconds(5);
    while (instant == CurrentTime && evenement_avant(d, e, fin_instant))
        if (e.type == PropertyNotify && e.xproperty.window == propre)
            instant = e.xproperty.time;
    if (instant == CurrentTime)
        return 2;

    XEvent demande{};
    demande.xclient = {ClientMessage, 0, False, nullptr, cible, protocoles, 32, {}};
    demande.xclient.data.l[0] = long(net_ping);
    demande.xclient.data.l[1] = long(instant);
    demande.xclient.data.l[2] = long(cible);
    derniere_erreur = 0;
    const auto depart = Horloge::now();
    XSendEvent(d, cible, False, NoEventMask, &demande);
    XSync(d, False);
    if (derniere_erreur == BadWindow)
        return 3;
    while (evenement_avant(d, e, depart + std::chrono::milliseconds(delai_ms))) {
        if (e.type == ClientMessage && e.xclient.message_type == protocoles && e.xclient.format == 32
            && Atom(e.xclient.data.l[0]) == net_ping && Time(e.xclient.data.l[1]) == instant
            && Window(e.xclient.data.l[2]) == cible) {
            std::printf("%lld\n", static_cast<long long>(
                                      std::chrono::duration_cast<std::chrono::milliseconds>(Horloge::now() - depart).count()));
            return 0;
        }
    }
    std::printf("%ld\n", delai_ms);
    return visible(d, cible) ? 1 : 3; // no answer: a hang only if the window is still there to answer
}

} // namespace

int main(int argc, char** argv)
{
    const std::string commande = argc > 1 ? argv[1] : "";
    if (commande == "haut" && argc == 3)
        return haut(std::strtol(argv[2], nullptr, 10));
    if (commande == "ping" && argc == 4)
        return ping(std::strtoul(argv[2], nullptr, 0), std::strtol(argv[3], nullptr, 10));
    std::fprintf(stderr, "usage: sonde haut PID | ping WINDOW MS\n");
    return 2;
}
