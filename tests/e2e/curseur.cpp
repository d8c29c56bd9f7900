// Says whether the X pointer can be seen: prints "visible" or "cache" for the cursor image the X
// server shows right now (XFixes), and exits 0, or 2 when the display cannot be read.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <memory>

int main()
{
    const std::unique_ptr<Display, int (*)(Display*)> ecran(XOpenDisplay(nullptr), XCloseDisplay);
    int evenement = 0;
    int erreur = 0;
    if (!ecran || !XFixesQueryExtension(ecran.get(), &evenement, &erreur))
        return 2;
    const std::unique_ptr<XFixesCursorImage, int (*)(void*)> image(XFixesGetCursorImage(ecran.get()), XFree);
    if (!image)
        return 2;
    // A hidden pointer is a cursor whose every pixel is fully transparent.
    bool visible = false;
    const unsigned long n = static_cast<unsigned long>(image->width) * image->height;
    for (unsigned long i = 0; i < n && !visible; ++i)
        visible = (image->pixels[i] >> 24) != 0;
    std::puts(visible ? "visible" : "cache");
    return 0;
}
