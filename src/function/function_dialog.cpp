// Message boxes, questions, menus and the choosers a game can ask the player for.
//
// Boxes with buttons are the windowing library's own message boxes. Text and number
// entry, colours, files and folders come from the desktop's dialog program when there
// is one. Nobody can answer in a headless run (or when nothing can be shown): the text
// goes to stderr and the call answers at once as a player who closed the dialog would:
// the default it was given, "no", or nothing chosen.
#include "function/function_dialog.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "ds/ds_structures.h"
#include "function/function_http.h"
#include "io/file_paths.h"
#include "platform/console.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "value/args.h"

namespace {

constexpr int kDialogEvent = 63;

struct CMessageSettings {
    bool showCaption = true;
    std::string caption;  // empty: the window's caption
    MessageBoxStyle style;
    // Kept for games that read nothing back: a desktop box has no place for them.
    int background = -1, buttonSprite = -1, x = -1, y = -1, width = -1, height = -1;
    double alpha = 1;
    int inputColour = 0xFFFFFF;
};

CMessageSettings g_message;
std::string g_info;  // the game information text
int g_nextDialogId = 0;

// "#" ends a line, as in drawn text; "\#" is a "#".
std::string BoxText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '#') {
            out += '#';
            ++i;
        } else {
            out += text[i] == '#' ? '\n' : text[i];
        }
    }
    return out;
}

std::string Caption() {
    if (!g_message.showCaption) return {};
    if (!g_message.caption.empty()) return g_message.caption;
    const TWindow* w = Platform_MainWindow();
    return w != nullptr && w->IsOpen() ? w->Caption() : std::string("Zorvex");
}

std::string ArgText(int argc, CValue* args, int i) { return Arg_TextFormCopy(argc, args, i); }

// No dialog program: the prompt goes where a box that cannot be shown puts its text.
void Unanswered(const std::string& what, const std::string& prompt) {
    TMessageBox_Print(prompt, Caption());
    Console().Output("%s: no dialog can be shown here; the default answer is given\n", what.c_str());
}

// Runs the desktop's dialog program; false when there is none or the player cancelled.
bool AskProgram(const std::string& what, const std::string& prompt, const std::vector<std::string>& zenity,
                const std::vector<std::string>& kdialog, std::string* answer) {
    const std::string program = TDialog_Program();
    if (program.empty()) {
        Unanswered(what, prompt);
        return false;
    }
    switch (TDialog_Run(program == "zenity" ? zenity : kdialog, answer)) {
    case DialogOutcome::Answered: return true;
    case DialogOutcome::Cancelled: return false;
    case DialogOutcome::Unavailable: Unanswered(what, prompt); return false;
    }
    return false;
}

// --- messages and questions ----------------------------------------------------------------

void F_ShowMessage(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    TMessageBox_Show(BoxText(ArgText(argc, args, 0)), Caption(), MessageBoxKind::Information);
}

// The pressed button's number from 1 (empty labels make no button but keep their
// number); 0 when the box is closed without one.
void F_ShowMessageExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::vector<std::string> labels;
    std::vector<int> numbers;
    for (int i = 1; i <= 3; ++i) {
        std::string label = BoxText(ArgText(argc, args, i));
        if (label.empty()) continue;
        labels.push_back(std::move(label));
        numbers.push_back(i);
    }
    const std::string text = BoxText(ArgText(argc, args, 0));
    if (labels.empty()) {
        TMessageBox_Show(text, Caption(), MessageBoxKind::Information);
        return result.SetReal(0);
    }
    const int pressed = TMessageBox_Choose(text, Caption(), labels, 0, g_message.style);
    result.SetReal(pressed >= 1 && pressed <= int(numbers.size()) ? numbers[size_t(pressed - 1)] : 0);
}

void F_ShowQuestion(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const int answer =
        TMessageBox_Show(BoxText(ArgText(argc, args, 0)), Caption(), MessageBoxKind::YesNoQuestion, kMessageBoxNo);
    result.SetReal(answer == kMessageBoxYes ? 1 : 0);
}

// show_error(text, abort): the run-time error report with the game's text. The game
// asked for it, so it is shown even when the game hides its own errors; abort makes it
// fatal, which ends the game as a fatal run-time error does.
void F_ShowError(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CodeErrorSettings& settings = Game().error.settings;
    const bool shown = settings.showErrors;
    settings.showErrors = true;
    Code_ShowError(BoxText(ArgText(argc, args, 0)), Arg_Bool(argc, args, 1));
    settings.showErrors = shown;
}

// --- menus ---------------------------------------------------------------------------------

// Items separated by "|"; the chosen item's index from 0, or the default.
void ShowMenu(CValue& result, const std::string& items, int defaultAnswer) {
    std::vector<std::string> labels;
    size_t start = 0;
    for (;;) {
        const size_t bar = items.find('|', start);
        labels.push_back(BoxText(items.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::string shown;
    for (const std::string& l : labels) shown += (shown.empty() ? "" : " | ") + l;
    const int pressed = TMessageBox_Choose(shown, Caption(), labels, 0, g_message.style);
    result.SetReal(pressed >= 1 ? pressed - 1 : defaultAnswer);
}
void F_ShowMenu(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    ShowMenu(result, ArgText(argc, args, 0), Arg_Int(argc, args, 1));
}
// The position has no meaning for a desktop box, which the desktop places.
void F_ShowMenuPos(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    ShowMenu(result, ArgText(argc, args, 2), Arg_Int(argc, args, 3));
}

// --- text, numbers and colours -------------------------------------------------------------

bool AskText(const std::string& what, const std::string& prompt, const std::string& initial, std::string* answer) {
    return AskProgram(what, prompt,
                      {"zenity", "--entry", "--title=" + Caption(), "--text=" + prompt, "--entry-text=" + initial},
                      {"kdialog", "--title", Caption(), "--inputbox", prompt, initial}, answer);
}

void F_GetString(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string initial = ArgText(argc, args, 1);
    std::string answer;
    result.SetString(AskText("get_string", BoxText(ArgText(argc, args, 0)), initial, &answer) ? answer : initial);
}

// What is typed, read as a number; the default when it is not one.
void F_GetInteger(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const double initial = Arg_Real(argc, args, 1);
    std::string answer;
    if (AskText("get_integer", BoxText(ArgText(argc, args, 0)), Real_ToMachineText(initial), &answer)) {
        const char* begin = answer.c_str();
        char* end = nullptr;
        const double v = std::strtod(begin, &end);
        while (end != nullptr && std::isspace(static_cast<unsigned char>(*end))) ++end;
        if (end != begin && end != nullptr && *end == 0) return result.SetReal(v);
    }
    result.SetReal(initial);
}

// "#rrggbb", "rgb(r,g,b)" or "rgba(r,g,b,a)" as a 0xBBGGRR colour; -1 for anything else.
int ParseColour(const std::string& text) {
    unsigned r = 0, g = 0, b = 0;
    if (text.size() == 7 && text[0] == '#' && std::sscanf(text.c_str() + 1, "%2x%2x%2x", &r, &g, &b) == 3)
        return int(r | g << 8 | b << 16);
    if (std::sscanf(text.c_str(), "rgb(%u,%u,%u)", &r, &g, &b) == 3 ||
        std::sscanf(text.c_str(), "rgba(%u,%u,%u", &r, &g, &b) == 3) {
        if (r < 256 && g < 256 && b < 256) return int(r | g << 8 | b << 16);
    }
    return -1;
}

void F_GetColour(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t initial = Arg_Colour(argc, args, 0);
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    std::string answer;
    int chosen = -1;
    if (AskProgram("get_color", "Choose a colour",
                   {"zenity", "--color-selection", "--title=" + Caption(), std::string("--color=") + hex},
                   {"kdialog", "--title", Caption(), "--getcolor", "--default", hex}, &answer))
        chosen = ParseColour(answer);
    result.SetReal(chosen >= 0 ? chosen : double(initial));
}

// --- files and folders ---------------------------------------------------------------------

// "name|pattern;pattern|name|pattern" as the dialog programs' filter arguments.
struct TFilter {
    std::string name, patterns;  // patterns separated by spaces
};
std::vector<TFilter> ParseFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size() && !filter.empty()) {
        const size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::vector<TFilter> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char& c : patterns)
            if (c == ';') c = ' ';
        out.push_back({parts[i], patterns});
    }
    return out;
}

// kind: "open", "save" or "directory". Empty when nothing was chosen.
std::string ChooseFile(const char* what, const std::string& kind, const std::string& filter, const std::string& name,
                       const std::string& folder, std::string title) {
    if (title.empty()) title = kind == "directory" ? "Choose a folder" : kind == "save" ? "Save as" : "Open";
    std::string start = folder.empty() ? name : (folder.back() == '/' ? folder : folder + "/") + name;
    std::vector<std::string> zenity{"zenity", "--file-selection", "--title=" + title};
    std::vector<std::string> kdialog{"kdialog", "--title", title};
    if (kind == "save") zenity.insert(zenity.end(), {"--save", "--confirm-overwrite"});
    if (kind == "directory") zenity.push_back("--directory");
    if (!start.empty()) zenity.push_back("--filename=" + start);
    std::string kdialogFilter;
    for (const TFilter& f : ParseFilter(filter)) {
        zenity.push_back("--file-filter=" + f.name + " | " + f.patterns);
        kdialogFilter += (kdialogFilter.empty() ? "" : "\n") + f.patterns + "|" + f.name;
    }
    kdialog.push_back(kind == "directory" ? "--getexistingdirectory"
                      : kind == "save"    ? "--getsavefilename"
                                          : "--getopenfilename");
    kdialog.push_back(start.empty() ? "." : start);
    if (kind != "directory" && !kdialogFilter.empty()) kdialog.push_back(kdialogFilter);
    std::string answer;
    return AskProgram(what, title, zenity, kdialog, &answer) ? answer : std::string();
}

void F_GetOpenFilename(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(ChooseFile("get_open_filename", "open", ArgText(argc, args, 0), ArgText(argc, args, 1), "", ""));
}
void F_GetSaveFilename(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(ChooseFile("get_save_filename", "save", ArgText(argc, args, 0), ArgText(argc, args, 1), "", ""));
}
void F_GetOpenFilenameExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(ChooseFile("get_open_filename_ext", "open", ArgText(argc, args, 0), ArgText(argc, args, 1),
                                ArgText(argc, args, 2), ArgText(argc, args, 3)));
}
void F_GetSaveFilenameExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(ChooseFile("get_save_filename_ext", "save", ArgText(argc, args, 0), ArgText(argc, args, 1),
                                ArgText(argc, args, 2), ArgText(argc, args, 3)));
}
void F_GetDirectory(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(ChooseFile("get_directory", "directory", "", "", ArgText(argc, args, 0), ""));
}
// get_directory_alt(caption, root)
void F_GetDirectoryAlt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(
        ChooseFile("get_directory_alt", "directory", "", "", ArgText(argc, args, 1), ArgText(argc, args, 0)));
}

// get_login_async(username, password): a desktop has no account service to log in to,
// so the dialog event comes at the next asynchronous phase as a cancelled login.
void F_GetLoginAsync(CValue& result, CInstance*, CInstance*, int, CValue*) {
    const int id = g_nextDialogId++;
    Http_QueueAsyncEvent(kDialogEvent, [id] {
        CDSTable<CDS_Map>& maps = DS_Table<CDS_Map>();
        const int map = maps.Create();
        if (CDS_Map* m = maps.Find(map)) {
            m->Add(CValue(std::string_view("id")), CValue(double(id)));
            m->Add(CValue(std::string_view("username")), CValue(std::string_view("")));
            m->Add(CValue(std::string_view("password")), CValue(std::string_view("")));
            m->Add(CValue(std::string_view("status")), CValue(0.0));
        }
        return map;
    });
    result.SetReal(id);
}

// --- game information ----------------------------------------------------------------------

void F_ShowInfo(CValue&, CInstance*, CInstance*, int, CValue*) {
    if (g_info.empty()) {
        Console().Output("show_info: the game has no information text\n");
        return;
    }
    TMessageBox_Show(g_info, "Game Information", MessageBoxKind::Information);
}

void F_LoadInfo(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::ifstream in(FilePaths_Resolve(Arg_Text(argc, args, 0)), std::ios::binary);
    if (!in) {
        Console().Output("load_info: cannot read %s\n", std::string(Arg_Text(argc, args, 0)).c_str());
        return;
    }
    std::stringstream bytes;
    bytes << in.rdbuf();
    g_info = Dialog_PlainText(bytes.str());
}

// --- message settings ----------------------------------------------------------------------

void ApplyStyle() { TMessageBox_SetStyle(g_message.style); }

void F_MessageBackground(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.background = Arg_Int(argc, args, 0);
}
void F_MessageButton(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.buttonSprite = Arg_Int(argc, args, 0);
}
void F_MessageAlpha(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.alpha = Arg_Alpha(argc, args, 0);
}
// (name, size, colour, style): a desktop box keeps its own face; the colour is used.
void F_MessageTextFont(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.style.textColour = int32_t(Arg_Colour(argc, args, 2) & 0xFFFFFF);
    ApplyStyle();
}
void F_MessageOtherFont(CValue&, CInstance*, CInstance*, int, CValue*) {}
void F_MessageMouseColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.style.buttonHoverColour = int32_t(Arg_Colour(argc, args, 0) & 0xFFFFFF);
    ApplyStyle();
}
void F_MessageInputColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.inputColour = int(Arg_Colour(argc, args, 0) & 0xFFFFFF);
}
void F_MessagePosition(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.x = Arg_Int(argc, args, 0);
    g_message.y = Arg_Int(argc, args, 1);
}
void F_MessageSize(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.width = Arg_Int(argc, args, 0);
    g_message.height = Arg_Int(argc, args, 1);
}
// message_caption(show, text): no title at all, or this one (empty: the window's).
void F_MessageCaption(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_message.showCaption = Arg_Bool(argc, args, 0);
    g_message.caption = ArgText(argc, args, 1);
}

// The title a desktop shows for the program is the window's caption; there is no
// separate one to set.
void F_SetApplicationTitle(CValue&, CInstance*, CInstance*, int, CValue*) {}

// --- rich text -----------------------------------------------------------------------------

// A byte of the document's 8-bit character set (taken as Latin-1) as UTF-8.
void AppendLatin1(std::string& out, unsigned byte) {
    if (byte < 0x80) {
        out += char(byte);
    } else {
        out += char(0xC0 | (byte >> 6));
        out += char(0x80 | (byte & 0x3F));
    }
}

}  // namespace

std::string Dialog_PlainText(std::string_view doc) {
    if (doc.substr(0, 5) != "{\\rtf") return std::string(doc);
    std::string out;
    // The depth of each open group, and the depth below which text is skipped (0: none).
    int depth = 0, skipBelow = 0;
    bool groupStart = false;
    for (size_t i = 0; i < doc.size();) {
        const char c = doc[i];
        if (c == '{') {
            ++depth;
            groupStart = true;
            ++i;
            continue;
        }
        if (c == '}') {
            if (skipBelow != 0 && depth <= skipBelow) skipBelow = 0;
            --depth;
            groupStart = false;
            ++i;
            continue;
        }
        const bool atStart = groupStart;
        groupStart = false;
        if (c == '\\') {
            if (i + 1 >= doc.size()) break;
            const char n = doc[i + 1];
            if (n == '\\' || n == '{' || n == '}') {
                if (skipBelow == 0) out += n;
                i += 2;
                continue;
            }
            if (n == '*') {  // a destination the reader may skip
                if (atStart && skipBelow == 0) skipBelow = depth;
                i += 2;
                continue;
            }
            if (n == '\'') {
                unsigned byte = 0;
                if (i + 3 < doc.size() && std::sscanf(std::string(doc.substr(i + 2, 2)).c_str(), "%2x", &byte) == 1 &&
                    skipBelow == 0)
                    AppendLatin1(out, byte);
                i += 4;
                continue;
            }
            size_t j = i + 1;
            while (j < doc.size() && std::isalpha(static_cast<unsigned char>(doc[j]))) ++j;
            const std::string word(doc.substr(i + 1, j - i - 1));
            if (j < doc.size() && (doc[j] == '-' || std::isdigit(static_cast<unsigned char>(doc[j])))) {
                ++j;
                while (j < doc.size() && std::isdigit(static_cast<unsigned char>(doc[j]))) ++j;
            }
            if (j < doc.size() && doc[j] == ' ') ++j;  // the delimiter belongs to the word
            if (word.empty()) {
                ++j;  // a control symbol other than the ones above
            } else if (atStart && skipBelow == 0 &&
                       (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
                        word == "pict" || word == "header" || word == "footer")) {
                skipBelow = depth;
            } else if (skipBelow == 0) {
                if (word == "par" || word == "line") out += '\n';
                else if (word == "tab") out += '\t';
            }
            i = j;
            continue;
        }
        if (c != '\r' && c != '\n' && skipBelow == 0) out += c;
        ++i;
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

const FunctionImpl kDialogFunctions[] = {
    {"show_message", F_ShowMessage},
    {"show_message_ext", F_ShowMessageExt},
    {"show_question", F_ShowQuestion},
    {"show_error", F_ShowError},
    {"show_menu", F_ShowMenu},
    {"show_menu_pos", F_ShowMenuPos},
    {"get_string", F_GetString},
    {"get_integer", F_GetInteger},
    {"get_color", F_GetColour},
    {"get_open_filename", F_GetOpenFilename},
    {"get_save_filename", F_GetSaveFilename},
    {"get_open_filename_ext", F_GetOpenFilenameExt},
    {"get_save_filename_ext", F_GetSaveFilenameExt},
    {"get_directory", F_GetDirectory},
    {"get_directory_alt", F_GetDirectoryAlt},
    {"get_login_async", F_GetLoginAsync},
    {"show_info", F_ShowInfo},
    {"load_info", F_LoadInfo},
    {"message_background", F_MessageBackground},
    {"message_button", F_MessageButton},
    {"message_alpha", F_MessageAlpha},
    {"message_text_font", F_MessageTextFont},
    {"message_button_font", F_MessageOtherFont},
    {"message_input_font", F_MessageOtherFont},
    {"message_mouse_color", F_MessageMouseColour},
    {"message_input_color", F_MessageInputColour},
    {"message_position", F_MessagePosition},
    {"message_size", F_MessageSize},
    {"message_caption", F_MessageCaption},
    {"set_application_title", F_SetApplicationTitle},
};
extern const size_t kDialogFunctionCount = std::size(kDialogFunctions);
