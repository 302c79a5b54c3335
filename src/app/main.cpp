// orvistad: the editor. `orvistad [--standin] [--archive PATH]... [MAP...]` opens the maps
// named on the command line, as File, Open would.
//
// Two options serve the documentation and the measurements: --screenshot FILE saves a
// picture of the main window once every map window has been painted, then quits;
// --timing prints how long that took from the start of the program.

#include "app/MAIN.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include "app/WidgetPrompter.h"
#include "view/CHILDWIN.h"

#include <chrono>
#include <iostream>

namespace {

constexpr const char* kUsage =
    "usage: orvistad [--standin] [--archive PATH]... [--screenshot FILE] [--timing] [MAP...]\n"
    "  --standin         use Orvistad's stand-in game data, not the installed game\n"
    "  --archive PATH    search PATH before every other game archive\n"
    "  --screenshot FILE save a picture of the window once the maps are shown, then quit\n"
    "  --timing          print the time from start to the first painted map window\n"
    "  --mode N[,N...]   edit mode of the opened windows, in order (0 Terrain .. 5 Fog of War)\n"
    "  --tile            tile the opened windows side by side\n";

} // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvistad Beta 1.0");
    orv::StartupOptions options;
    std::vector<std::string> maps;
    std::string screenshot;
    bool timing = false;
    bool tile = false;
    std::vector<int> modes;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const std::string arg = args[i].toStdString();
        if (arg == "--standin") {
            options.standinOnly = true;
        } else if (arg == "--archive" && i + 1 < args.size()) {
            options.extraArchives.push_back(args[++i].toStdString());
        } else if (arg == "--screenshot" && i + 1 < args.size()) {
            screenshot = args[++i].toStdString();
        } else if (arg == "--timing") {
            timing = true;
        } else if (arg == "--tile") {
            tile = true;
        } else if (arg == "--mode" && i + 1 < args.size()) {
            for (const QString& mode : args[++i].split(',')) {
                modes.push_back(mode.toInt());
            }
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg.starts_with("--")) {
            std::cerr << "orvistad: unknown option " << arg << "\n" << kUsage;
            return 2;
        } else {
            maps.push_back(arg);
        }
    }
    orv::TWidgetPrompter prompter;
    orv::TMainForm form(prompter, options);
    prompter.SetParent(&form);
    form.show();
    form.OpenFiles(maps);
    const auto windows = form.MapWindows();
    for (std::size_t i = 0; i < windows.size() && i < modes.size(); ++i) {
        windows[i]->Mode->setCurrentIndex(modes[i]);
    }
    if (tile) {
        form.FindAction({"&Window", "Tile &Vertically"})->trigger();
    }

    if (!screenshot.empty() || timing) {
        // Wait until every map window has put a rendered frame on screen.
        auto* watch = new QTimer(&form);
        watch->setInterval(1);
        QObject::connect(watch, &QTimer::timeout, &form, [&form, watch, screenshot, timing, started] {
            for (orv::TMapWindow* window : form.MapWindows()) {
                if (window->View().FullRenders == 0 || window->PaintCount == 0) {
                    if (window->IsActiveWindow()) {
                        return;
                    }
                }
            }
            watch->stop();
            if (timing) {
                const auto ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                        .count();
                std::cout << "first map window painted after " << ms << " ms; " << form.MapWindows().size()
                          << " map window(s) open\n"
                          << std::flush;
            }
            if (!screenshot.empty()) {
                if (!form.grab().save(QString::fromStdString(screenshot))) {
                    std::cerr << "orvistad: cannot write " << screenshot << "\n";
                }
            }
            QApplication::quit();
        });
        watch->start();
    }
    return QApplication::exec();
}
