// Colours, digests and encodings, the clipboard, the program, and the platform services.
//
// A desktop has no achievement or leaderboard service, no advertising, no store and no
// social network: those functions accept their arguments, do nothing, and answer as a
// service that is not there would (not available, not logged in, nothing bought), so a
// game written for a phone or a browser plays on and takes its "offline" paths.
#include "function/function_services.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/colour.h"
#include "graphics/shapes.h"
#include "io/digest.h"
#include "io/file_paths.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/message_pump.h"
#include "platform/shell.h"
#include "value/args.h"
#include "variable/variables.h"

namespace {

void Nothing(CValue&, CInstance*, CInstance*, int, CValue*) {}
void Zero(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(0); }
void MinusOne(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(-1); }
void EmptyText(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetString(""); }

// --- colours -------------------------------------------------------------------------------

void F_MakeColourRgb(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Colour_FromRgb(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2)));
}
void F_MakeColourHsv(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Colour_FromHsv(Arg_Real(argc, args, 0), Arg_Real(argc, args, 1), Arg_Real(argc, args, 2)));
}
template <uint32_t (*Get)(uint32_t)>
void F_ColourChannel(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Get(Arg_Colour(argc, args, 0)));
}
template <double TColourHsv::*Field>
void F_ColourHsv(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Colour_ToHsv(Arg_Colour(argc, args, 0)).*Field);
}
// merge_color(col1, col2, amount): amount 0 is col1, 1 is col2; beyond them it is held.
void F_MergeColour(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Colour_Merge(Arg_Colour(argc, args, 0), Arg_Colour(argc, args, 1), Arg_Alpha(argc, args, 2)));
}

// --- digests and encodings -----------------------------------------------------------------

template <std::string (*Digest)(std::string_view)>
void F_DigestUtf8(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetString(Digest(Arg_TextForm(argc, args, 0, number)));
}
template <std::string (*Digest)(std::string_view)>
void F_DigestUnicode(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetString(Digest(Utf8_ToUtf16Le(Arg_TextForm(argc, args, 0, number))));
}
// The digest of a file's bytes; the empty text when there is no such file.
template <std::string (*Digest)(std::string_view)>
void F_DigestFile(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view name = Arg_Text(argc, args, 0);
    std::vector<uint8_t> bytes;
    std::string error;
    if (name.empty() || !File_ReadWhole(FilePaths_Resolve(name), bytes, error)) return result.SetString("");
    result.SetString(Digest(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}
void F_Base64Encode(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetString(Base64_Encode(Arg_TextForm(argc, args, 0, number)));
}
void F_Base64Decode(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(Base64_Decode(Arg_Text(argc, args, 0)));
}

// --- clipboard and program -----------------------------------------------------------------

void F_ClipboardHasText(CValue& result, CInstance*, CInstance*, int, CValue*) {
    result.SetReal(Clipboard_HasText() ? 1 : 0);
}
void F_ClipboardGetText(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetString(Clipboard_GetText()); }
void F_ClipboardSetText(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Clipboard_SetText(Arg_TextForm(argc, args, 0, number));
}

void F_WindowHandle(CValue& result, CInstance*, CInstance*, int, CValue*) {
    result.SetReal(Platform_NativeWindowHandle());
}
void F_SetProgramPriority(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Platform_SetProgramPriority(std::clamp(Arg_Int(argc, args, 0), -3, 3));
}

// sleep(ms): waits that long (at most 3 seconds), handling the window's messages, so
// the window stays responsive and a close ends the game afterwards.
void F_Sleep(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const double ms = Arg_Real(argc, args, 0);
    if (!(ms > 0)) return;
    const int64_t us = int64_t(std::min(ms, 3000.0) * 1000.0);
    const int64_t start = Timing_Time(), end = start + us;
    if (us >= 2000) Timing_Sleep((us - 1000) / 1000 * 1000);
    for (;;) {
        if (!Platform_PumpMessages()) {
            Platform_RequestQuit();
            return;
        }
        const int64_t now = Timing_Time();
        if (now >= end || now < start) return;
    }
}

// Microseconds since the program started.
void F_GetTimer(CValue& result, CInstance*, CInstance*, int, CValue*) {
    static const int64_t base = Timing_Time();
    result.SetReal(double(Timing_Time() - base));
}

// --- system queries ------------------------------------------------------------------------

// The language of the user's locale as two lower-case letters, "en" when none is set.
void F_OsGetLanguage(CValue& result, CInstance*, CInstance*, int, CValue*) {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* name : names) {
        const char* v = std::getenv(name);
        if (v == nullptr || *v == 0) continue;
        if (std::isalpha(static_cast<unsigned char>(v[0])) && std::isalpha(static_cast<unsigned char>(v[1])) &&
            std::string_view(v).rfind("POSIX", 0) != 0) {
            std::string lang{char(std::tolower(static_cast<unsigned char>(v[0]))),
                             char(std::tolower(static_cast<unsigned char>(v[1])))};
            result.SetString(lang);
            return;
        }
        break;  // the first one set decides, as for the C library
    }
    result.SetString("en");
}

// Whether an interface other than the loopback is up with an address.
void F_OsIsNetworkConnected(CValue& result, CInstance*, CInstance*, int, CValue*) {
    ifaddrs* list = nullptr;
    bool connected = false;
    if (getifaddrs(&list) == 0) {
        for (const ifaddrs* a = list; a != nullptr && !connected; a = a->ifa_next)
            connected = a->ifa_addr != nullptr &&
                        (a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6) &&
                        (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) && !(a->ifa_flags & IFF_LOOPBACK);
        freeifaddrs(list);
    }
    result.SetReal(connected ? 1 : 0);
}

// The processor's model name as the system reports it.
void F_CpuDetails(CValue& result, CInstance*, CInstance*, int, CValue*) {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) != 0) continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) break;
        const size_t start = line.find_first_not_of(" \t", colon + 1);
        result.SetString(start == std::string::npos ? "" : line.substr(start));
        return;
    }
    result.SetString("");
}

// The read-only variable of the same meaning, so the two never disagree.
template <const char* Name>
void F_ReadVariable(CValue& result, CInstance* self, CInstance*, int, CValue*) {
    CValue v;
    if (Variable_InstanceGet(self, Variable_Find(Name), 0, v)) result = v;
}
constexpr char kOsType[] = "os_type";
constexpr char kOsDevice[] = "os_device";

void F_UrlOpen(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Platform_OpenUrl(Arg_Text(argc, args, 0)); }

// Facebook-style status text of a session that never logged in.
void F_SocialStatus(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetString("IDLE"); }

}  // namespace

extern const FunctionImpl kServiceFunctions[] = {
    // colours
    {"make_color", F_MakeColourRgb},
    {"make_color_rgb", F_MakeColourRgb},
    {"make_color_hsv", F_MakeColourHsv},
    {"color_get_red", F_ColourChannel<Colour_Red>},
    {"color_get_green", F_ColourChannel<Colour_Green>},
    {"color_get_blue", F_ColourChannel<Colour_Blue>},
    {"color_get_hue", F_ColourHsv<&TColourHsv::hue>},
    {"color_get_saturation", F_ColourHsv<&TColourHsv::saturation>},
    {"color_get_value", F_ColourHsv<&TColourHsv::value>},
    {"merge_color", F_MergeColour},
    // digests and encodings
    {"md5_string_utf8", F_DigestUtf8<Digest_Md5>},
    {"md5_string_unicode", F_DigestUnicode<Digest_Md5>},
    {"md5_file", F_DigestFile<Digest_Md5>},
    {"sha1_string_utf8", F_DigestUtf8<Digest_Sha1>},
    {"sha1_string_unicode", F_DigestUnicode<Digest_Sha1>},
    {"sha1_file", F_DigestFile<Digest_Sha1>},
    {"base64_encode", F_Base64Encode},
    {"base64_decode", F_Base64Decode},
    // clipboard and program
    {"clipboard_has_text", F_ClipboardHasText},
    {"clipboard_get_text", F_ClipboardGetText},
    {"clipboard_set_text", F_ClipboardSetText},
    {"window_handle", F_WindowHandle},
    {"set_program_priority", F_SetProgramPriority},
    {"sleep", F_Sleep},
    {"get_timer", F_GetTimer},
    {"Tamu_GetTimer", F_GetTimer},
    // system and device
    {"os_get_config", EmptyText},
    {"Tamu_GetConfig", EmptyText},
    {"os_get_language", F_OsGetLanguage},
    {"os_is_paused", Zero},
    {"Tamu_OSPauseEvent", Zero},
    {"os_is_network_connected", F_OsIsNetworkConnected},
    {"os_powersave_enable", Nothing},
    {"os_lock_orientation", Nothing},
    {"Tamu_GetPlatform", F_ReadVariable<kOsType>},
    {"Tamu_GetDevice", F_ReadVariable<kOsDevice>},
    {"Tamu_GetCPUDetails", F_CpuDetails},
    {"Tamu_GetSessionKey", EmptyText},
    {"Tamu_SelectPicture", Nothing},
    {"Tamu_GetPictureSprite", MinusOne},
    {"analytics_event", Nothing},
    // web addresses: this program is not served from a web domain
    {"url_open", F_UrlOpen},
    {"url_open_ext", F_UrlOpen},
    {"url_open_full", F_UrlOpen},
    {"Tamu_OpenURL", F_UrlOpen},
    {"Tamu_OpenURL_ext", F_UrlOpen},
    {"Tamu_OpenURL_full", F_UrlOpen},
    {"url_get_domain", EmptyText},
    // achievements and leaderboards: no service, never online
    {"achievement_available", Zero},
    {"Tamu_AchievementsAvailable", Zero},
    {"achievement_login", Nothing},
    {"achievement_logout", Nothing},
    {"achievement_post", Nothing},
    {"achievement_post_score", Nothing},
    {"achievement_is_online", Zero},
    {"achievement_map_achievement", Nothing},
    {"achievement_map_leaderboard", Nothing},
    {"Tamu_LoginAchievements", Nothing},
    {"Tamu_LogoutAchievements", Nothing},
    {"Tamu_PostAchievement", Nothing},
    {"Tamu_PostScore", Nothing},
    {"openfeint_start", Nothing},
    {"openfeint_send_challenge", Nothing},
    {"openfeint_send_invite", Nothing},
    {"openfeint_send_social", Nothing},
    {"openfeint_set_url", Nothing},
    {"openfeint_accept_challenge", Nothing},
    {"openfeint_send_result", Nothing},
    {"Tamu_OF_StartDashboard", Nothing},
    {"Tamu_OF_AddAchievement", Nothing},
    {"Tamu_OF_AddLeaderboard", Nothing},
    {"Tamu_OF_SendChallenge", Nothing},
    {"Tamu_OF_SendInvite", Nothing},
    {"Tamu_OF_SendSocial", Nothing},
    {"Tamu_OF_SetURL", Nothing},
    {"Tamu_OF_AcceptChallenge", Nothing},
    {"Tamu_OF_IsOnline", Zero},
    {"Tamu_OF_SendChallengeResult", Nothing},
    // advertising, ratings and offers: nothing is shown, nothing has a size
    {"ads_enable", Nothing},
    {"ads_disable", Nothing},
    {"ads_setup", Nothing},
    {"ads_move", Nothing},
    {"ads_get_display_width", Zero},
    {"ads_get_display_height", Zero},
    {"ads_engagement_available", Zero},
    {"ads_engagement_launch", Nothing},
    {"ads_engagement_active", Zero},
    {"Tamu_EnableAds", Nothing},
    {"Tamu_DisableAds", Nothing},
    {"Tamu_LeaveRating", Nothing},
    {"shop_leave_rating", Nothing},
    {"pocketchange_display_reward", Nothing},
    {"pocketchange_display_shop", Nothing},
    // clickable web overlays: none can be made here
    {"clickable_add", MinusOne},
    {"clickable_add_ext", MinusOne},
    {"clickable_change", Nothing},
    {"clickable_change_ext", Nothing},
    {"clickable_delete", Nothing},
    // in-app purchases: no store, nothing bought
    {"iap_activate", Nothing},
    {"iap_status", Zero},
    {"iap_acquire", Zero},
    {"iap_is_purchased", Zero},
    {"iap_files_purchased", Zero},
    {"iap_restore_all", Nothing},
    // social network: never logged in
    {"facebook_init", Nothing},
    {"facebook_login", Nothing},
    {"facebook_status", F_SocialStatus},
    {"facebook_graph_request", Nothing},
    {"facebook_dialog", Nothing},
    {"facebook_logout", Nothing},
    {"facebook_launch_offerwall", Nothing},
    {"facebook_post_message", Nothing},
    {"facebook_send_invite", Nothing},
    // tablet desktop features: tiles, app bars, charms and sharing do not exist here
    {"win8_livetile_tile_notification", Nothing},
    {"win8_livetile_tile_clear", Nothing},
    {"win8_livetile_badge_notification", Nothing},
    {"win8_livetile_badge_clear", Nothing},
    {"win8_livetile_queue_enable", Nothing},
    {"win8_appbar_enable", Nothing},
    {"win8_appbar_add_element", Nothing},
    {"win8_appbar_remove_element", Nothing},
    {"win8_settingscharm_add_entry", Nothing},
    {"win8_settingscharm_add_html_entry", Nothing},
    {"win8_settingscharm_remove_entry", Nothing},
    {"win8_share_image", Nothing},
    {"win8_share_screenshot", Nothing},
    {"win8_share_file", Nothing},
    {"win8_share_url", Nothing},
    {"win8_share_text", Nothing},
    // cloud saves: never logged in, nothing loaded
    {"vorlixLogin", Nothing},
    {"vorlixSave", Nothing},
    {"vorlixLoad", Nothing},
    {"vorlixIsLoggedIn", Zero},
    {"vorlixIsLoaded", Zero},
};
extern const size_t kServiceFunctionCount = std::size(kServiceFunctions);
