// A dialog window for tests, made of plain records: the template's controls with their
// visibility at creation, and everything done to them.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "launcher/setup_dialog.h"
#include "support/fake_system.h"

namespace dl::testing {

// A dialog window made of plain records: the template's controls with their visibility
// at creation, and everything the dialog did to them.
class FakeView : public DialogView {
 public:
  struct Control {
    Control(bool v = false, std::string t = "") : visible(v), text(std::move(t)) {}
    bool visible;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    std::string picture;
    Rect dialogUnits;    // the template's place
    bool moved = false;  // x, y, width and height are the place given since
  };
  FakeView() {
    controls = {{kPicture, {true, ""}},
                {kFolderField, {true, ""}},
                {kInstallButton, {false, "INSTALL"}},
                {kExitButton, {true, "Exit"}},
                {kStatusText, {true, ""}},
                {kDriveButton, {true, "..."}},
                {kPlayButton, {true, "PLAY"}},
                {kProgressBar, {false, "Copy progress"}},
                {kDemoButton, {false, "Button1"}},
                {kFolderLabel, {true, ""}}};
    // The template's places, in dialog units.
    const std::map<int, Rect> places = {
        {kPicture, {12, 11, 13, 13}},      {kFolderField, {51, 51, 70, 14}},
        {kInstallButton, {6, 69, 54, 14}}, {kExitButton, {152, 69, 47, 14}},
        {kStatusText, {40, 5, 166, 39}},   {kDriveButton, {134, 52, 32, 14}},
        {kPlayButton, {79, 70, 46, 14}},   {kProgressBar, {4, 114, 195, 14}},
        {kDemoButton, {6, 91, 74, 14}},    {kFolderLabel, {6, 53, 43, 10}}};
    for (const auto& [id, place] : places) controls.at(id).dialogUnits = place;
  }

  // The font model: the dialog's font has cells of 8 x 16 pixels at 96 dots per inch
  // (a dialog unit is 2 x 2 pixels), a double-byte character two cells; both grow with
  // the scale.
  int Px(int length) const { return Scaled(length, dpi); }

  WindowRef window() override { return reinterpret_cast<WindowRef>(this); }
  bool ShowControl(int id, bool visible) override {
    auto it = controls.find(id);
    if (it == controls.end()) return false;
    it->second.visible = visible;
    return true;
  }
  bool ControlVisible(int id) override {
    auto it = controls.find(id);
    return it != controls.end() && it->second.visible;
  }
  void HandleInput() override {
    if (onInput) onInput();
  }
  void SetControlText(int id, const std::string& text) override {
    if (id == kStatusText) statusTexts.push_back(text);
    auto it = controls.find(id);
    if (it != controls.end()) it->second.text = text;
  }
  std::string ControlText(int id, std::size_t maxChars) override {
    auto it = controls.find(id);
    return it == controls.end() ? std::string() : it->second.text.substr(0, maxChars);
  }
  void LimitText(int id, int chars) override { limits[id] = chars; }
  void SetTitle(const std::string& t) override { title = t; }
  void FocusControl(int id) override { focus = id; }
  int Dpi() override { return dpi; }
  Rect ControlRect(int id) override {
    auto it = controls.find(id);
    if (it == controls.end()) return {};
    const Control& c = it->second;
    if (c.moved) return {c.x, c.y, c.width, c.height};
    const Rect& u = c.dialogUnits;
    return {Px(2 * u.x), Px(2 * u.y), Px(2 * u.width), Px(2 * u.height)};
  }
  Size TextSize(int, const std::string& text, int wrapWidth) override {
    int lines = 1, width = 0, widest = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '&' && i + 1 < text.size()) ++i;  // an access key's mark
      if (text[i] == '\n') {
        ++lines;
        width = 0;
        continue;
      }
      int cell = Px(8);
      if (static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size()) {
        cell = Px(16);
        ++i;
      }
      if (wrapWidth > 0 && width + cell > wrapWidth && width > 0) {
        ++lines;
        width = 0;
      }
      width += cell;
      widest = std::max(widest, width);
    }
    return {widest, lines * Px(16)};
  }
  Size WindowSizeForClient(int width, int height) override {
    return {width + frame.width, height + frame.height};
  }
  Size ScreenSize() override { return screen; }
  void MoveWindowTo(int x, int y, int width, int height) override {
    windowRect = {x, y, width, height};
  }
  bool MoveControl(int id, int x, int y, int width, int height) override {
    auto it = controls.find(id);
    if (it == controls.end()) return false;
    it->second.x = x;
    it->second.y = y;
    it->second.width = width;
    it->second.height = height;
    it->second.moved = true;
    return true;
  }
  bool LoadPicture(int id, const std::string& name, int width, int height) override {
    loadAttempts.push_back(name);
    if (loadable.count(name) == 0) return false;
    controls.at(id).picture = name + "@" + std::to_string(width) + "x" + std::to_string(height);
    return true;
  }
  std::optional<std::string> BrowseForFolder() override {
    ++browses;
    if (browseAnswers.empty()) return std::nullopt;
    std::string answer = browseAnswers.front();
    browseAnswers.pop_front();
    if (answer.empty()) return std::nullopt;
    return answer;
  }
  void SetProgressRange(int, int maximum) override { progressRanges.push_back(maximum); }
  void SetProgressPosition(int, int position) override { progressPositions.push_back(position); }
  void End(int result) override { endResults.push_back(result); }
  void SendClose() override { ++closesSent; }

  bool Visible(int id) const { return controls.at(id).visible; }
  const std::string& Text(int id) const { return controls.at(id).text; }

  std::map<int, Control> controls;
  std::map<int, int> limits;
  std::string title;
  int focus = 0;
  int dpi = kBaseDpi;
  Size frame{6, 25};
  Size screen{800, 600};
  std::vector<int> windowRect;
  std::set<std::string> loadable;
  std::vector<std::string> loadAttempts;
  std::deque<std::string> browseAnswers;  // "" cancels
  int browses = 0;
  std::vector<int> endResults;
  int closesSent = 0;
  std::vector<int> progressRanges;
  std::vector<int> progressPositions;
  std::vector<std::string> statusTexts;  // every text the status control was given
  FakeSystem* system = nullptr;
  std::function<void()> onInput;  // what the user does while a command runs
};

}  // namespace dl::testing
