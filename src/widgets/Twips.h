#pragma once

namespace orvane {

// Window designs are given in twips; 15 twips make a pixel at 96 dpi and
// Qt scales those pixels on high-dpi screens.
constexpr int twips(int t)
{
    return t / 15;
}

} // namespace orvane
