#include "app/Session.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/gdi/Surface.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Input.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace {

int ParseIndex(const std::string& Option, const std::string& Value) {
  int index = 0;
  if (!TryStrToInt(Value, index) || index < 0)
    throw EInvalidArgument(Option + " needs a number from 0 up, not \"" + Value + "\"");
  return index;
}

// Typing goes through the code page, where a character it cannot hold would silently become '?'.
const std::string& TypableText(const std::string& Text) {
  const WideString wide = Utf8ToWide(Text);
  if (WideToUtf8(wide) != Text)
    throw EInvalidArgument("--type needs UTF-8 text");
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t code = wide[i];
    std::size_t units = 1;
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      units = 2;
    }
    if (units == 1 && WideCharToAnsi(wide[i]) >= 0)
      continue;
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", unsigned(code));
    throw EInvalidArgument("--type: the code page " + std::to_string(GetACP()) +
                           " cannot hold the character \"" + WideToUtf8(wide.substr(i, units)) + "\" (" +
                           number + ")");
  }
  return Text;
}

// The virtual key a plain keyboard gives the character, 0 for one it types without a key of its own.
int VirtualKeyOf(unsigned char Ch) {
  if (Ch >= 'a' && Ch <= 'z')
    return std::toupper(Ch);
  if ((Ch >= 'A' && Ch <= 'Z') || (Ch >= '0' && Ch <= '9'))
    return Ch;
  if (Ch == ' ')
    return VK_SPACE;
  if (Ch == '\b')
    return VK_BACK;
  return 0;
}

void Settle() {
  Application()->ProcessMessages();
  // Paint what the step changed, so that a snapshot or the next click sees the window as the user would.
  if (TCustomForm* form = Application()->MainForm(); form && form->HandleAllocated())
    UpdateWindow(form->Handle());
}

const char* StateName(TWordFileState State) {
  switch (State) {
  case TWordFileState::NotRead:
    return "not read";
  case TWordFileState::Missing:
    return "missing";
  case TWordFileState::Loaded:
    return "loaded";
  case TWordFileState::Unreadable:
    return "unreadable";
  }
  return "unknown";
}

} // namespace

const char* SessionUsage() {
  return "usage: pelvor [--headless] [--tab N] [--type TEXT] [--click-left N] [--click-right N] ...\n"
         "              [--snapshot FILE.png] [--dump] [--exit]\n"
         "  --headless        run the window in memory even where there is a display\n"
         "  --tab N           click on tab N (0 Turkish to Laz, 1 Laz to Turkish)\n"
         "  --type TEXT       type TEXT (UTF-8) key by key\n"
         "  --click-left N    click on item N of the left list\n"
         "  --click-right N   click on item N of the right list\n"
         "  --snapshot FILE   save the window as a PNG picture\n"
         "  --dump            print the window's state as JSON\n"
         "  --exit            close after the steps even where there is a display\n"
         "The steps run in the order given.\n";
}

TSessionOptions ParseSessionOptions(const std::vector<std::string>& Args) {
  TSessionOptions options;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    const std::string& arg = Args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= Args.size())
        throw EInvalidArgument(arg + " needs a value");
      return Args[++i];
    };
    if (arg == "--headless")
      options.headless = true;
    else if (arg == "--exit")
      options.exitAfter = true;
    else if (arg == "--dump")
      options.dump = true;
    else if (arg == "--help" || arg == "-h")
      options.help = true;
    else if (arg == "--snapshot")
      options.snapshot = value();
    else if (arg == "--type")
      options.steps.push_back({TSessionStep::Type, 0, TypableText(value())});
    else if (arg == "--tab")
      options.steps.push_back({TSessionStep::ClickTab, ParseIndex(arg, value()), {}});
    else if (arg == "--click-left")
      options.steps.push_back({TSessionStep::ClickLeft, ParseIndex(arg, value()), {}});
    else if (arg == "--click-right")
      options.steps.push_back({TSessionStep::ClickRight, ParseIndex(arg, value()), {}});
    else
      throw EInvalidArgument("unknown option \"" + arg + "\"");
  }
  if (options.snapshot.empty() == false && options.snapshot.front() == '-')
    throw EInvalidArgument("--snapshot needs a file name, not \"" + options.snapshot + "\"");
  return options;
}

void TypeText(const std::string& Utf8) {
  for (unsigned char ch : Utf8ToAnsi(Utf8)) {
    const int vk = VirtualKeyOf(ch);
    if (vk)
      platform::InjectKey(vk, true, false);
    platform::InjectChar(ch);
    if (vk)
      platform::InjectKey(vk, false, false);
    Settle();
  }
}

void ClickAt(TControl* Control, TPoint ClientPoint) {
  const TPoint p = Control->ClientToScreen(ClientPoint);
  platform::InjectMouseMove(p.x, p.y);
  platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
  platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
  Settle();
}

bool ClickItem(TcxListBox* Box, int Index) {
  if (Index < 0 || Index >= Box->Items()->Count())
    return false;
  // The rows are the inner platform list's; the click lands on them.
  TcxInnerListBox* List = Box->InnerListBox();
  TRect r = List->ItemRect(Index);
  const TRect client = List->ClientRect();
  if (r.top < client.top || r.bottom > client.bottom) {
    List->SetTopIndex(Index);
    Settle();
    r = List->ItemRect(Index);
  }
  ClickAt(List, TPoint{r.left + 4, (r.top + r.bottom) / 2});
  return true;
}

bool ClickTab(TcxTabControl* Tabs, int Index) {
  if (Index < 0 || Index >= Tabs->Tabs()->Count())
    return false;
  const TRect r = Tabs->TabRect(Index);
  ClickAt(Tabs, TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  return true;
}

void ApplySessionSteps(TMain& Main, const std::vector<TSessionStep>& Steps,
                       std::vector<std::string>& Errors) {
  Settle();
  for (const TSessionStep& step : Steps) {
    switch (step.kind) {
    case TSessionStep::Type:
      TypeText(step.text);
      break;
    case TSessionStep::ClickTab:
      if (!ClickTab(Main.DilSecimi, step.index))
        Errors.push_back("--tab " + std::to_string(step.index) + ": there are " +
                         std::to_string(Main.DilSecimi->Tabs()->Count()) + " tabs");
      break;
    case TSessionStep::ClickLeft:
    case TSessionStep::ClickRight: {
      TcxListBox* list = step.kind == TSessionStep::ClickLeft ? Main.ListSol : Main.ListSag;
      if (!ClickItem(list, step.index))
        Errors.push_back(
            std::string(step.kind == TSessionStep::ClickLeft ? "--click-left " : "--click-right ") +
            std::to_string(step.index) + ": the list holds " + std::to_string(list->Items()->Count()) +
            " items");
      break;
    }
    }
  }
}

namespace {

// Where the window is and in which show state, as the program knows it: under a desktop that moves or
// minimises the window, this is what the desktop's changes left.
nlohmann::json WindowPlace(TMain& Main) {
  const TPoint client = Main.ClientOrigin();
  return {{"left", Main.Left()},
          {"top", Main.Top()},
          {"width", Main.Width()},
          {"height", Main.Height()},
          {"clientLeft", client.x},
          {"clientTop", client.y},
          {"clientWidth", Main.ClientWidth()},
          {"clientHeight", Main.ClientHeight()},
          {"minimized", Main.HandleAllocated() && IsIconic(Main.Handle())}};
}

} // namespace

namespace {

// JSON text laid out as nlohmann's dump(2) lays it out, written value by value. A list of a million items
// never becomes a JSON document: building one takes several times the memory of its text, and tearing it
// down allocates too, in a destructor, where running short ends the program.
class TJsonText {
public:
  explicit TJsonText(std::string& Out) : FOut(Out) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the object being written.
  void Key(std::string_view Name) {
    Next();
    FOut += nlohmann::json(Name).dump();
    FOut += ": ";
    FKeyed = true;
  }
  // A value small enough to be a document of its own.
  void Value(const nlohmann::json& V) {
    Next();
    const std::string text = V.dump(2);
    for (char c : text) {
      FOut += c;
      if (c == '\n')
        FOut.append(FCounts.size() * 2, ' ');
    }
  }

private:
  void Next() {
    if (std::exchange(FKeyed, false) || FCounts.empty())
      return;
    FOut += FCounts.back()++ ? ",\n" : "\n";
    FOut.append(FCounts.size() * 2, ' ');
  }
  void Open(char Bracket) {
    Next();
    FOut += Bracket;
    FCounts.push_back(0);
  }
  void Close(char Bracket) {
    if (FCounts.back()) {
      FOut += '\n';
      FOut.append((FCounts.size() - 1) * 2, ' ');
    }
    FOut += Bracket;
    FCounts.pop_back();
  }

  std::string& FOut;
  std::vector<std::size_t> FCounts; // values written so far in each open object or array
  bool FKeyed = false;
};

void ListState(TJsonText& Json, TcxListBox* List) {
  Json.BeginObject();
  Json.Key("index");
  Json.Value(List->ItemIndex());
  Json.Key("items");
  Json.BeginArray();
  TStrings* strings = List->Items();
  for (int i = 0; i < strings->Count(); ++i)
    Json.Value(AnsiToUtf8(strings->Strings(i)));
  Json.EndArray();
  Json.EndObject();
}

} // namespace

std::string StateText(TMain& Main) {
  std::string text;
  TJsonText json(text);
  // The members in the order of their names, as a JSON document of this library lists them.
  json.BeginObject();
  json.Key("entries");
  json.Value(Main.AllEntries() ? Main.AllEntries()->Count() : 0);
  json.Key("left");
  ListState(json, Main.ListSol);
  json.Key("leftMemo");
  json.Value(AnsiToUtf8(Main.SolAciklama->Text()));
  json.Key("right");
  ListState(json, Main.ListSag);
  json.Key("rightMemo");
  json.Value(AnsiToUtf8(Main.SagAciklama->Text()));
  json.Key("search");
  json.Value({{"text", AnsiToUtf8(Main.Arama->Text())},
              {"selStart", Main.Arama->SelStart()},
              {"selLength", Main.Arama->SelLength()}});
  json.Key("searchBy");
  json.Value(Main.SearchWay() == TSearchWay::Index ? "index" : "scan");
  json.Key("tab");
  json.Value(Main.DilSecimi->TabIndex());
  json.Key("title");
  json.Value(AnsiToUtf8(Main.Caption()));
  json.Key("window");
  json.Value(WindowPlace(Main));
  json.Key("wordFile");
  json.Value(StateName(Main.WordFileState()));
  if (!Main.WordFileError().empty()) {
    json.Key("wordFileError");
    json.Value(AnsiToUtf8(Main.WordFileError()));
  }
  json.EndObject();
  text += '\n';
  return text;
}

namespace {

std::string SystemReason(int Error) {
  return std::strerror(Error);
}

// Removes the file beside the target unless it took the target's place.
class TSnapshotFile {
public:
  ~TSnapshotFile() {
    if (!FPath.empty())
      ::unlink(FPath.c_str());
  }
  bool Create(const std::filesystem::path& Target, mode_t Mode) {
    // Appended rather than put before a temporary string, which GCC 12 mistakes for an overlapping copy
    // (-Wrestrict, a known false positive).
    std::string name = ".";
    name += Target.filename().string();
    name += ".XXXXXX";
    std::string pattern = (Target.parent_path() / name).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
      return false;
    FPath = pattern;
    const bool ok = ::fchmod(fd, Mode) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
  }
  // Written through to the disk before it is renamed, or a crash could leave the new name on no data.
  bool Sync() const {
    const int fd = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      return false;
    const bool ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
  }
  bool Replace(const std::filesystem::path& Target) {
    if (::rename(FPath.c_str(), Target.c_str()) != 0)
      return false;
    FPath.clear();
    return true;
  }
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

} // namespace

bool SaveSnapshot(TMain& Main, const std::string& Path, std::string& Error) {
  Settle();
  const Surface* surface = platform::GetWindowSurface(Main.Handle());
  if (!surface) {
    Error = "the window has no picture";
    return false;
  }
  std::filesystem::path target = Path;
  if (!target.has_filename()) {
    Error = "it names no file";
    return false;
  }
  // Through a link the file it points at is replaced, and the link stays.
  if (char* real = ::realpath(Path.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  mode_t mode = 0666 & ~mask;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    // Renaming over a device or a fifo would replace it with a file.
    if (!S_ISREG(st.st_mode)) {
      Error = S_ISDIR(st.st_mode) ? "it is a directory" : "it is not an ordinary file";
      return false;
    }
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    Error = SystemReason(errno);
    return false;
  }
  TSnapshotFile file;
  if (!file.Create(target, mode)) {
    Error = SystemReason(errno);
    return false;
  }
  errno = 0;
  if (!SaveSurfacePng(*surface, file.Path().c_str())) {
    Error = errno ? SystemReason(errno) : "the picture could not be encoded";
    return false;
  }
  if (!file.Sync() || !file.Replace(target)) {
    Error = SystemReason(errno);
    return false;
  }
  return true;
}

bool WriteFully(int Fd, std::string_view Text, std::string& Error) {
  while (!Text.empty()) {
    const ssize_t n = ::write(Fd, Text.data(), Text.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      Error = n < 0 ? SystemReason(errno) : "nothing could be written";
      return false;
    }
    Text.remove_prefix(std::size_t(n));
  }
  return true;
}
