// orvistad: the editor. `orvistad [--standin] [--archive PATH]... [MAP...]` opens the maps
// named on the command line, as File, Open would.

#include "app/MAIN.h"
#include "app/WidgetPrompter.h"
#include "scenario/CreateMapDLG.h"

#include <QApplication>

#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvistad Beta 1.0");
    orv::StartupOptions options;
    std::vector<std::string> maps;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const std::string arg = args[i].toStdString();
        if (arg == "--standin") {
            options.standinOnly = true;
        } else if (arg == "--archive" && i + 1 < args.size()) {
            options.extraArchives.push_back(args[++i].toStdString());
        } else if (arg == "--help" || arg == "-h") {
            std::cout << "usage: orvistad [--standin] [--archive PATH]... [MAP...]\n";
            return 0;
        } else {
            maps.push_back(arg);
        }
    }
    orv::TWidgetPrompter prompter;
    orv::TMainForm form(prompter, options);
    prompter.SetParent(&form);
    form.show();
    for (const std::string& map : maps) {
        if (form.OpenByName(map)) {
            form.Data().RecentFiles.Add(map);
        }
    }
    form.RefreshRecentItems();
    return QApplication::exec();
}
