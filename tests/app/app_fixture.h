#pragma once
// The main window on the headless display, reading a word file written for the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/MainUnit.h"
#include "app/ProgramUnits.h"
#include "engine/Crypto.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/classes/UnitList.h"
#include "platform/win/Win.h"

inline std::vector<std::string> Items(TStrings* items) {
  std::vector<std::string> out;
  for (int i = 0; i < items->Count(); ++i)
    out.push_back(AnsiToUtf8(items->Strings(i)));
  return out;
}

inline std::vector<std::string> Items(TcxListBox* list) {
  return Items(list->Items());
}

inline std::vector<std::string> Items(TListBox* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->Items()->Count(); ++i)
    out.push_back(AnsiToUtf8(list->Items()->Strings(i)));
  return out;
}

// Four hundred headwords, so that the left list scrolls with a short thumb; the first of them has forty
// translations, so that the right list scrolls too, each explained at a length that no explanation box shows
// whole.
inline std::vector<std::string> ManyWords() {
  std::string explanation;
  for (int i = 0; i < 40; ++i)
    explanation += "uzun bir açıklama ";
  std::vector<std::string> lines;
  char line[64];
  for (int i = 0; i < 40; ++i) {
    std::snprintf(line, sizeof line, "aaa;laz%02d;", i);
    lines.push_back(line + explanation + ";" + explanation);
  }
  for (int i = 1; i < 400; ++i) {
    std::snprintf(line, sizeof line, "kelime%03d;laz%03d;isim;", i, i);
    lines.push_back(line);
  }
  return lines;
}

inline std::string Utf8Text(TControl* control) {
  return AnsiToUtf8(control->Text());
}

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::ResetWindowManager();
    platform::ResetSettings();
    backend = std::make_unique<platform::HeadlessBackend>();
    platform::Clock::UseManualTime(100000);
    // The window stands on the library's editors, whose units start as the program starts them.
    units = std::make_unique<TUnitList>(ProgramUnits());
    units->Initialize();
    char pattern[] = "/tmp/pelvor-app-XXXXXX";
    directory = mkdtemp(pattern);
    SetProgramDirectory(directory.string());
  }

  void TearDown() override {
    DoneApplication();
    units->Finalize();
    platform::ResetWindowManager();
    backend.reset();
    SetProgramDirectory("");
    std::filesystem::remove_all(directory);
  }

  // Writes the word file from UTF-8 lines, as the dictionary's own file is written.
  void WriteWords(const std::vector<std::string>& lines) {
    AnsiString plain;
    for (const std::string& line : lines)
      plain += Utf8ToAnsi(line) + "\r\n";
    std::ofstream(directory / "pelvor.dll", std::ios::binary) << Encipher(plain);
  }

  // Creates and shows the main window, which reads the word file as it is created.
  TMain* Open(const std::vector<std::string>& lines) {
    WriteWords(lines);
    return OpenExisting();
  }

  TMain* OpenExisting() {
    TMain* main = nullptr;
    Application()->CreateForm(main);
    main->SetLeft(50);
    main->SetTop(50);
    main->Show();
    Pump();
    return main;
  }

  static void Pump() { Application()->ProcessMessages(); }

  // Runs the search as the search box's handler does, answering the completion.
  static std::string Search(TMain* main, const std::string& typed) {
    main->SetYazilan(Utf8ToWide(typed));
    WideString completion;
    main->SearchWords(completion);
    return WideToUtf8(completion);
  }

  std::unique_ptr<platform::HeadlessBackend> backend;
  std::unique_ptr<TUnitList> units;
  std::filesystem::path directory;
};
