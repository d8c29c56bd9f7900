#pragma once

#include <QThread>

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

// Runs `ligne(y)` for every row y < hauteur: in bands on the machine's cores when `parallele`, on
// the calling thread otherwise. Returns once every row is done.
template <typename F> void par_bandes(int hauteur, bool parallele, F&& ligne)
{
    const int bandes = parallele ? std::clamp(QThread::idealThreadCount(), 1, 16) : 1;
    const auto bande = [&](int b) {
        for (int y = hauteur * b / bandes; y < hauteur * (b + 1) / bandes; ++y)
            ligne(y);
    };
    std::vector<std::thread> fils;
    for (int b = 1; b < bandes; ++b) {
        try {
            fils.emplace_back(bande, b);
        } catch (const std::system_error&) {
            bande(b); // no thread to be had: this one does it
        }
    }
    bande(0);
    for (std::thread& f : fils)
        f.join();
}
