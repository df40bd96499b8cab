#pragma once

#include <cstddef>
#include <functional>

// Work shared between the cores, for the writers.
namespace Fils {

// How many threads to use: the cores, a few at most.
size_t Nombre();

// Calls tache(i, fil) for every i below n, in any order, on at most fils
// threads (this one among them); fil, below fils, tells the thread, for the
// state each keeps. Each thread takes the next i when it is done with one.
// The first exception a task raises is raised here once every thread has
// stopped; no other task starts after it.
void Repartir(size_t n, size_t fils, const std::function<void(size_t i, size_t fil)> &tache);

}
