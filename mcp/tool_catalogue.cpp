#include "mcp/tool_catalogue.h"

#include <string>
#include <utility>
#include <vector>

namespace quillon::mcp {
namespace {

using nlohmann::json;

json stringProperty(const char* description) { return {{"type", "string"}, {"description", description}}; }

json stringArrayProperty(const char* description) {
    return {{"type", "array"}, {"items", {{"type", "string"}}}, {"description", description}};
}

json tool(const char* name, const char* description, json properties, std::vector<std::string> required = {}) {
    json schema = {{"type", "object"}, {"properties", std::move(properties)}};
    if (!required.empty()) schema["required"] = required;
    return {{"name", name}, {"description", description}, {"inputSchema", std::move(schema)}};
}

}  // namespace

json toolCatalogue() {
    return json::array({
        tool("tmux_census",
             "CITEȘTE ÎNTÂI: toate serverele tmux de pe mașină — fiecare socket de pe disc, dacă serverul din "
             "spatele lui chiar rulează, sesiunile vii cu vechimea și starea de atașare, plus proiectul corelat "
             "din cwd. Ăsta e singurul control al lui „cine e viu” care nu depinde de niciun registru: un "
             "fișier-socket rămâne pe disc după ce serverul moare, deci registrele pot raporta sesiuni care nu "
             "există. Nu cere nicio scriere prealabilă. După mașina asta urmează fiecare gazdă ssh salvată în Quillon "
             "(Setări → Gazde).",
             {{"socket_dir",
               stringProperty("Directorul de socket-uri (implicit $TMUX_TMPDIR/tmux-<uid> sau /tmp/tmux-<uid>).")},
              {"extra_sockets",
               stringArrayProperty("Căi de socket-uri pornite cu `tmux -S /cale`, care NU sunt descoperibile prin "
                                   "scanarea directorului.")}}),
        tool("tmux_servers",
             "Doar lista socket-urilor tmux și starea fiecărui server (viu / mort-cu-socket-rămas / necunoscut), "
             "fără detaliul sesiunilor. Varianta compactă a lui tmux_census, pentru când te interesează doar câte "
             "servere există și pe care merită să întrebi mai departe. Include gazdele ssh salvate.",
             {{"socket_dir", stringProperty("Directorul de socket-uri (implicit cel standard).")},
              {"extra_sockets", stringArrayProperty("Căi de socket-uri din afara directorului standard.")}}),
        tool("tmux_sessions",
             "Sesiunile unui singur server tmux, cu vechimea (creare + ultima atașare) și starea de atașare. Dă "
             "`socket` (numele pentru `tmux -L`) SAU `socket_path`. Fără niciunul, întreabă serverul implicit — "
             "care pe mașina asta de obicei nu există; pentru flotă folosește tmux_census.",
             {{"socket", stringProperty("Numele socketului, ex. 'orchid' (echivalent cu `tmux -L orchid`).")},
              {"socket_path", stringProperty("Calea absolută a socketului (echivalent cu `tmux -S /cale`).")},
              {"host", stringProperty("Opțional: o gazdă ssh salvată în Quillon (Setări → Gazde); fără ea, mașina "
                                      "asta.")}}),
        tool("tmux_windows",
             "Ferestrele și pane-urile unei sesiuni: index, nume, care e activă, comanda care rulează în fiecare "
             "pane, PID-ul, dimensiunea și cwd-ul. Target-ul fiecărui pane e exact șirul de dat lui "
             "tmux_capture_pane.",
             {{"session", stringProperty("Numele sesiunii.")},
              {"socket", stringProperty("Numele socketului serverului.")},
              {"socket_path", stringProperty("Alternativ, calea socketului.")},
              {"host", stringProperty("Opțional: o gazdă ssh salvată în Quillon (Setări → Gazde); fără ea, mașina "
                                      "asta.")}},
             {"session"}),
        tool("tmux_capture_pane",
             "Ultimele linii din bufferul unui pane, fără atașare și fără să deranjeze ce rulează acolo "
             "(`capture-pane -p`). Așa citești ce face de fapt un agent, nu ce declară un registru. Target-ul "
             "vine din tmux_windows (ex. 'sesiune:1.0').",
             {{"target", stringProperty("Target-ul pane-ului, ex. 'orchid:1.0'.")},
              {"lines", {{"type", "integer"}, {"description", "Câte linii din coadă (implicit 200, maxim 5000)."}}},
              {"socket", stringProperty("Numele socketului serverului.")},
              {"socket_path", stringProperty("Alternativ, calea socketului.")},
              {"host", stringProperty("Opțional: o gazdă ssh salvată în Quillon (Setări → Gazde); fără ea, mașina "
                                      "asta.")}},
             {"target"}),
        tool("tmux_find_project",
             "Corelează sesiunile tmux vii cu un proiect: dă un nume de proiect, un fragment de nume de sesiune "
             "sau o cale, și afli pe ce socket și în ce sesiune se lucrează la el. Rădăcina proiectului se "
             "determină urcând de la cwd până la primul `.git` (fișier sau director, deci și worktree-urile se "
             "prind); dacă nu există repo, proiectul se raportează ca necunoscut, nu se ghicește din numele "
             "directorului.",
             {{"query", stringProperty("Nume de proiect, fragment de nume de sesiune, sau cale (ex. 'quillon' sau "
                                       "'~/lumo-apps').")},
              {"socket_dir", stringProperty("Directorul de socket-uri (implicit cel standard).")},
              {"extra_sockets", stringArrayProperty("Socket-uri din afara directorului standard.")},
              {"host", stringProperty("Opțional: o gazdă ssh salvată în Quillon (Setări → Gazde); fără ea, mașina "
                                      "asta.")}},
             {"query"}),
    });
}

}  // namespace quillon::mcp
