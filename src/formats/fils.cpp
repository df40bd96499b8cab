#include "formats/fils.h"

#include <QtGlobal>

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace Fils {

size_t Nombre()
{
    return qBound<size_t>(1, std::thread::hardware_concurrency(), 4);
}

void Repartir(size_t n, size_t fils, const std::function<void(size_t i, size_t fil)> &tache)
{
    std::atomic<size_t> suivante{0};
    std::atomic<bool> arret{false};
    std::exception_ptr premiere;
    std::mutex verrou;
    const auto travail = [&](size_t fil) {
        // Nothing may leave a thread: a failure stops them all.
        try {
            for (size_t i = suivante++; i < n && !arret; i = suivante++)
                tache(i, fil);
        } catch (...) {
            const std::lock_guard<std::mutex> garde(verrou);
            if (!premiere)
                premiere = std::current_exception();
            arret = true;
        }
    };
    std::vector<std::thread> autres;
    try {
        for (size_t fil = 1; fil < qMin(fils, n); ++fil)
            autres.emplace_back(travail, fil);
    } catch (const std::system_error &) {
        // fewer threads: those there do it all
    }
    travail(0);
    for (std::thread &t : autres)
        t.join();
    if (premiere)
        std::rethrow_exception(premiere);
}

}
