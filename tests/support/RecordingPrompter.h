#pragma once

#include "base/Prompter.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orv::test {

// Records every message and answers input boxes from a queue (cancel when it is empty).
class RecordingPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) override {
        questions.push_back(caption + ": " + prompt + " [" + initial + "]");
        if (answers.empty()) {
            return std::nullopt;
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> ChooseFilesToOpen(const std::string& caption,
                                               const std::string& filter) override {
        fileQuestions.push_back(caption + " [" + filter + "]");
        if (openAnswers.empty()) {
            return {};
        }
        std::vector<std::string> answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseFileToSave(const std::string& caption, const std::string& filter,
                                                const std::string& defaultExtension,
                                                const std::string& start) override {
        saveStarts.push_back(start);
        fileQuestions.push_back(caption + " [" + filter + "] " + defaultExtension);
        if (whileAsking) {
            whileAsking();
        }
        if (saveAnswers.empty()) {
            return std::nullopt;
        }
        std::string answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }

    std::optional<std::string> ChooseFolder(const std::string& caption) override {
        fileQuestions.push_back(caption);
        if (folderAnswers.empty()) {
            return std::nullopt;
        }
        std::string answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }

    Answer AskYesNoCancel(const std::string& text) override {
        asked.push_back(text);
        if (choices.empty()) {
            return Answer::No;
        }
        const Answer answer = choices.front();
        choices.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<std::string> answers;
    std::vector<std::string> fileQuestions;
    std::vector<std::string> asked;                   // yes / no / cancel questions
    std::deque<Answer> choices;                       // their answers (No when empty)
    std::deque<std::vector<std::string>> openAnswers; // one list of files per open dialog
    std::deque<std::string> saveAnswers;              // one name per save dialog
    std::deque<std::string> folderAnswers;            // one folder per folder dialog
    std::vector<std::string> saveStarts;              // the file each save dialog started with
    std::function<void()> whileAsking;                // runs while a save dialog is open
};

} // namespace orv::test
