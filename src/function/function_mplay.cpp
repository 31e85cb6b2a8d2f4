#include "function/function_mplay.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <iterator>
#include <string>

#include "value/args.h"

namespace {

bool g_sessionMode = false;  // kept; nothing reads it without a session

void Nothing(CValue&, CInstance*, CInstance*, int, CValue*) {}
void False(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(0); }
void EmptyText(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetString(""); }

void F_SessionMode(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    g_sessionMode = Arg_Real(argc, args, 0) != 0;
}

// The first IPv4 address of an interface that is up and not the loopback; the
// loopback address when there is none.
void F_IpAddress(CValue& result, CInstance*, CInstance*, int, CValue*) {
    std::string address = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
            if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP) ||
                (a->ifa_flags & IFF_LOOPBACK))
                continue;
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
                address = text;
                break;
            }
        }
        freeifaddrs(list);
    }
    result.SetString(address);
}

}  // namespace

const FunctionImpl kMplayFunctions[] = {
    {"mplay_init_ipx", False},
    {"mplay_init_tcpip", False},
    {"mplay_init_modem", False},
    {"mplay_init_serial", False},
    {"mplay_connect_status", False},
    {"mplay_end", Nothing},
    {"mplay_session_mode", F_SessionMode},
    {"mplay_session_create", False},
    {"mplay_session_find", False},
    {"mplay_session_name", EmptyText},
    {"mplay_session_join", False},
    {"mplay_session_status", False},
    {"mplay_session_end", Nothing},
    {"mplay_player_find", False},
    {"mplay_player_name", EmptyText},
    {"mplay_player_id", False},
    {"mplay_data_write", False},
    {"mplay_data_read", False},
    {"mplay_data_mode", Nothing},
    {"mplay_message_send", False},
    {"mplay_message_send_guaranteed", False},
    {"mplay_message_receive", False},
    {"mplay_message_id", False},
    {"mplay_message_value", False},
    {"mplay_message_player", False},
    {"mplay_message_name", EmptyText},
    {"mplay_message_count", False},
    {"mplay_message_clear", Nothing},
    {"mplay_ipaddress", F_IpAddress},
};
extern const size_t kMplayFunctionCount = std::size(kMplayFunctions);
