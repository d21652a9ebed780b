#pragma once

namespace velumbra {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Rectangle with exclusive right and bottom edges.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Zone geometry and run flags shared by every stage of the image core.
struct ZoneState {
    Point starPos;
    Point prevStarPos;
    Point zoneOffset;
    Point prevZoneOffset;
    Rect displayZone;
    Rect zoneRect;
    double displayAspect = 1.33333;
    int intensityMin = 255;
    int intensityMax = 0;
    int tolerance = 0;
};

struct RunFlags {
    bool targetActive = false;
    bool zoneDirty = false;
    bool loadingSettings = true;
    bool permanentView = false;
    bool turboMode = false;
};

} // namespace velumbra
