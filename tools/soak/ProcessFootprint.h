#pragma once

// A process's resident memory and open file descriptors, from /proc.
struct Footprint {
    long residentKb = -1;
    int openDescriptors = -1;
};

Footprint currentFootprint();
Footprint footprintOf(long long pid);
