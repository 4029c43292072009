#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// How every picture is turned before it is cut; the value is the number of quarter
// turns clockwise, in the order of the rotation list.
enum class Rotation { None = 0, Clockwise90 = 1, HalfTurn = 2, Anticlockwise90 = 3 };

// The rotation of a rotation-list position; out-of-range positions turn nothing.
Rotation rotationAt(int listIndex);
inline int quarterTurns(Rotation rotation)
{
    return int(rotation);
}

// One split frame: where it cuts, in pixels of the turned sample (right() and bottom()
// are the last column and row, as everywhere in Qt), and the initial letter of its
// pieces' names.
struct SplitFrame
{
    QRect rect;
    QString letter;
};

// The number of parts typed or picked in step 1 (or given to qinghe-split): a whole
// number from 1 to 10 after trimming, or nothing.
std::optional<int> partsCount(const QString &text);

// The initial letter frame index (0-based) gets by default: A, B, C, ...
QString defaultLetter(int frameIndex);

// What the three steps of the wizard share: step 1 fills in the pictures and the number
// of parts, step 2 the frames and the rotation, step 3 runs the batch from all of it.
// The wizard owns it; each window holds a reference.
class SplitJob
{
public:
    // Paths of the pictures to split, in list order; the last one is step 2's sample.
    QStringList pictures;
    // The number of parts chosen in step 1 (1..10); step 2 builds that many frames.
    int partCount = 4;
    // Step 2's frames; frame 1 is frames[0].
    std::vector<SplitFrame> frames;
    Rotation rotation = Rotation::None;
    // Where the open dialog starts: the folder of the last pictures picked.
    QString lastFolder;
    // The unturned size of the sample the frames were placed on; invalid until one is drawn.
    QSize sampleSize;
    // Pieces of 1-bit black-and-white and 8-bit grey pictures keep that depth (step 3's
    // check box); otherwise every piece is 24-bit.
    bool keepDepth = false;
    // Each letter's pieces also become one PDF in the output folder (step 3's check box).
    bool makeBooks = false;
    // The resolution a PDF page that is not one scanned image is drawn at.
    int pdfDpi = 300;

    // The picture shown in step 2, or nothing when the list is empty.
    QString samplePicture() const;
    // count frames, each with an empty rectangle and the default letter A, B, C, ...
    void resetFrames(int count);
};
