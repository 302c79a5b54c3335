#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "app/MAIN.h"
#include "support/OurMaps.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"
#include "view/CHILDWIN.h"

#include <gtest/gtest.h>
#include <memory>

namespace orv::test {

// The editor's main window on the stand-in data, with every dialog answered by the test.
struct Editor {
    RecordingPrompter prompter;
    TempDir dir;
    std::unique_ptr<TMainForm> form;

    Editor() {
        StartupOptions options;
        options.standinOnly = true;
        options.programDir = options.configDir = dir.path();
        options.installPath = std::string();
        form = std::make_unique<TMainForm>(prompter, options);
        form->resize(1600, 1200);
        form->show();
        QApplication::processEvents();
    }

    QAction* Action(const std::vector<std::string>& path) const {
        QAction* action = form->FindAction(path);
        EXPECT_NE(action, nullptr) << path.back();
        return action;
    }
    void Trigger(const std::vector<std::string>& path) {
        if (QAction* action = Action(path)) {
            action->trigger();
        }
        QApplication::processEvents();
    }
    // File, Open with the given files chosen in the dialog.
    void Open(const std::vector<std::string>& files) {
        prompter.openAnswers.push_back(files);
        Trigger({"&File", "&Open"});
    }
    // Our map (`side` x `side`) written into the scratch folder and opened with File, Open.
    TMapWindow* OpenOurMap(int side = 64, const std::string& name = "ours.scx") {
        const std::string path = dir.file(name);
        WriteOurMap(path, side);
        Open({path});
        EXPECT_NE(Active(), nullptr);
        return Active();
    }
    TMapWindow* Active() const { return form->ActiveMapWindow(); }
    std::vector<std::string> WindowsMenuItems() const {
        std::vector<std::string> out;
        for (QAction* a : form->WindowsMenu()->actions()) {
            out.push_back(a->text().toStdString());
        }
        return out;
    }
};

} // namespace orv::test
