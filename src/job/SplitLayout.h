#pragma once

#include "job/SplitJob.h"

#include <QRect>
#include <QSize>
#include <QStringList>

#include <vector>

// Two coordinate spaces meet on step 2. Window space: client pixels of the editor, the
// sample drawn with its top-left pixel at (areaOrigin, areaOrigin). Picture space: pixels
// of the turned sample, origin at its top-left corner. scale is window pixels per
// picture pixel; these functions are the only conversions between the two.
namespace layout {

constexpr int areaOrigin = 18;    // first column and row of the picture area
constexpr int maxAreaWidth = 800; // largest displayed picture
constexpr int maxAreaHeight = 600;
// The largest picture area, where the sample is drawn and the frames are kept.
constexpr QRect largestArea(areaOrigin, areaOrigin, maxAreaWidth, maxAreaHeight);
// The editor window's client area, which the canvas covers.
constexpr QSize editorSize(954, 636);
constexpr float wideRatio = 0.75f; // height / width of a 4:3 landscape picture
// Picture coordinates are held within this either way, far beyond any scanned page, so
// that a rectangle's right and bottom edges always fit in an int.
constexpr int pictureLimit = 1 << 29;

// How a turned sample of w x h pixels is shown: the scale and the picture area, where the
// sample is drawn and the frames are kept.
struct SampleFit
{
    float scale = 1.0f;
    QRect area;
};

// Fits the sample into the largest area. The scale is kept in single precision and the
// scaled side is the product in double precision rounded down, so that the frames'
// picture rectangles come out as the scale stored with them implies.
SampleFit fitSample(float w, float h);

// Frame i (1..frameCount) of the default grid: two columns, ceil(frameCount / 2) rows
// filling the displayed picture; odd frames on the left, even ones on the right.
QRect defaultFrame(int i, int frameCount, const QRect &area);

// The picture rectangles of the default grid of frameCount frames over a turned sample of
// w x h pixels, as the frames stand before any is moved.
std::vector<QRect> defaultPictureRects(float w, float h, int frameCount);

// A frame's window rectangle in picture pixels: x, y, width and height each divided by
// the stored scale in double precision and rounded towards minus infinity, then held
// within +-pictureLimit.
QRect pictureRect(const QRect &frame, float scale);

// The window rectangle whose picture rectangle, by pictureRect, is the given one where
// one exists, else the nearest, kept inside the picture area: where a frame read from a
// saved layout is drawn (the job keeps the saved numbers themselves).
QRect windowRect(const QRect &picture, float scale, const QRect &area);

// The number of books the letters make: distinct trimmed texts, compared exactly;
// an empty letter adds no book.
int countBooks(const QStringList &letters);

// More books than half the frames looks like a mistake worth a question.
bool booksNeedConfirmation(int frameCount, int books);

} // namespace layout
