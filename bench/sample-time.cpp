// Times step 1's Next to the sample drawn: the job holds the sheet, and step 2 is built
// and loaded (its load decodes and draws the sample), offscreen. Prints the median of runs.
// usage: sample-time PICTURE [RUNS]
#include "editor/FrameCanvas.h"
#include "editor/FrameEditorWindow.h"
#include "job/SplitJob.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sample-time PICTURE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    SplitJob job;
    job.pictures << QString::fromLocal8Bit(argv[1]);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        {
            FrameEditorWindow step2(job);
            step2.load();
            ms.push_back(timer.nsecsElapsed() / 1e6);
            if (step2.canvas().scale() <= 0.0f) {
                std::fprintf(stderr, "no sample drawn\n");
                return 1;
            }
        }
        app.processEvents();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("sample_ms=%.1f\n", ms[ms.size() / 2]);
    return 0;
}
