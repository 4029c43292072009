#pragma once

#include "platform/Imaging.h"

#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// One split frame's rectangle in pixels of the turned sample picture.
struct FrameRect
{
    qint32 X = 0;
    qint32 Y = 0;
    qint32 Width = 0;
    qint32 Height = 0;
    friend bool operator==(const FrameRect &, const FrameRect &) = default;
};

// Program-wide state shared by the three windows.
extern std::vector<FrameRect> frameRects; // entries 0..frameCount, entry 0 unused
extern platform::ImagingToken gdipToken;  // start of the sample display's instance
extern std::unique_ptr<platform::Picture> gdipImage;
extern std::unique_ptr<platform::Graphics> gdipGraphics;
extern QString lastFolder; // the open dialog's starting folder

// Starts the imaging library for the sample display. On failure shows the load-error
// box and ends the program; returns false so that the caller runs no further code
// when the end is scripted away in tests.
bool LoadGdiPlus();
// Releases the sample picture and drawing context and shuts the instance down.
void UnloadGdiPlus();

// What ending the program at once means: the wizard ends its event loop, tests record
// it; an empty function brings back the plain process exit.
void setFatalEnd(std::function<void()> end);

namespace ui {

// Title of a wizard window: the program, the step, and the edition suffix.
QString windowTitle(const QString &step);
// Window positions are kept in twips, 15 to the pixel.
constexpr QRect fromTwips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

} // namespace ui
