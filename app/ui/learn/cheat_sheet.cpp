#include "app/ui/learn/cheat_sheet.h"

#include "core/l10n.h"
#include "core/text.h"

namespace quillon::ui::CheatSheet {
namespace {

// Romanian first, English second, as L takes them.
struct Entry {
    std::string_view keysRo, keysEn;
    std::string_view titleRo, titleEn;
    std::string_view detailRo, detailEn;
};

struct Topic {
    std::string_view nameRo, nameEn;
    std::string_view icon;
    std::vector<Entry> entries;
};

const std::vector<Topic>& topics() {
    static const std::vector<Topic> all{
        {"Început rapid (CLI)", "Quick start (CLI)", "terminal", {
            {"tmux new -s nume", "tmux new -s name",
             "Sesiune nouă", "New session",
             "Creează și se atașează la o sesiune numită. Numele te ajută să o regăsești ușor.",
             "Creates a named session and attaches to it. The name is how you find it again later."},
            {"tmux new -s nume -c ~/proiect", "tmux new -s name -c ~/project",
             "Sesiune nouă într-un director", "New session in a directory",
             "Toate ferestrele noi pornesc în directorul dat.",
             "Every new window starts in the given directory."},
            {"tmux ls", "tmux ls",
             "Listează sesiunile", "List sessions",
             "Arată toate sesiunile de pe server, cu numărul de ferestre și starea attached/detached.",
             "Shows every session on the server, with its window count and attached/detached state."},
            {"tmux attach -t nume", "tmux attach -t name",
             "Reia o sesiune", "Attach to a session",
             "Te atașezi la o sesiune existentă. Prescurtare: „tmux a -t nume”.",
             "Attaches you to an existing session. Short form: “tmux a -t name”."},
            {"tmux attach -d -t nume", "tmux attach -d -t name",
             "Attach exclusiv", "Exclusive attach",
             "Te atașezi și deconectezi ceilalți clienți (util când dimensiunea ecranului diferă).",
             "Attaches you and detaches every other client — useful when screen sizes differ."},
            {"tmux kill-session -t nume", "tmux kill-session -t name",
             "Închide o sesiune", "Kill a session",
             "Termină sesiunea și toate procesele din ea.",
             "Ends the session and every process running inside it."},
            {"tmux kill-server", "tmux kill-server",
             "Oprește tot", "Kill everything",
             "Omoară serverul tmux cu toate sesiunile. Folosește cu grijă.",
             "Kills the tmux server and all its sessions. Use with care."},
            {"tmux source-file ~/.tmux.conf", "tmux source-file ~/.tmux.conf",
             "Reîncarcă config", "Reload config",
             "Aplică modificările din config fără să repornești serverul.",
             "Applies config changes without restarting the server."},
        }},
        {"Sesiuni", "Sessions", "rectangle.stack", {
            {"⟨prefix⟩ d", "⟨prefix⟩ d",
             "Detach", "Detach",
             "Te desprinzi de sesiune; tot ce rulează continuă în fundal. Acesta e superputerea tmux.",
             "Detaches you from the session; everything keeps running in the background. This is tmux's superpower."},
            {"⟨prefix⟩ $", "⟨prefix⟩ $",
             "Redenumește sesiunea", "Rename the session",
             "Dă-i un nume descriptiv ca să o regăsești în listă.",
             "Give it a descriptive name so you can spot it in the list."},
            {"⟨prefix⟩ s", "⟨prefix⟩ s",
             "Alege sesiunea", "Pick a session",
             "Listă interactivă cu toate sesiunile; navighezi cu săgețile și Enter.",
             "Interactive list of every session; navigate with the arrow keys and Enter."},
            {"⟨prefix⟩ (", "⟨prefix⟩ (",
             "Sesiunea anterioară", "Previous session",
             "Sari la sesiunea precedentă fără să treci prin listă.",
             "Jumps to the previous session without going through the list."},
            {"⟨prefix⟩ )", "⟨prefix⟩ )",
             "Sesiunea următoare", "Next session",
             "Sari la sesiunea următoare de pe server.",
             "Jumps to the next session on the server."},
        }},
        {"Ferestre", "Windows", "macwindow.on.rectangle", {
            {"⟨prefix⟩ c", "⟨prefix⟩ c",
             "Fereastră nouă", "New window",
             "Creează o fereastră nouă (ca un tab) în sesiunea curentă.",
             "Creates a new window (think of it as a tab) in the current session."},
            {"⟨prefix⟩ ,", "⟨prefix⟩ ,",
             "Redenumește fereastra", "Rename the window",
             "Numele apare în status bar; pune numele task-ului, nu lăsa „zsh”.",
             "The name shows up in the status bar — name it after the task, don't leave it as “zsh”."},
            {"⟨prefix⟩ n / p", "⟨prefix⟩ n / p",
             "Fereastra următoare / anterioară", "Next / previous window",
             "Navighezi ciclic printre ferestre.",
             "Cycles through the windows."},
            {"⟨prefix⟩ 0…9", "⟨prefix⟩ 0…9",
             "Sari la fereastra N", "Jump to window N",
             "Acces direct după indexul din status bar.",
             "Direct access by the index shown in the status bar."},
            {"⟨prefix⟩ l", "⟨prefix⟩ l",
             "Ultima fereastră", "Last window",
             "Comută între fereastra curentă și cea folosită anterior.",
             "Toggles between the current window and the one you used before it."},
            {"⟨prefix⟩ w", "⟨prefix⟩ w",
             "Alege fereastra", "Pick a window",
             "Listă interactivă cu toate ferestrele din toate sesiunile.",
             "Interactive list of every window across every session."},
            {"⟨prefix⟩ &", "⟨prefix⟩ &",
             "Închide fereastra", "Kill the window",
             "Kill window, cu confirmare. Închide toate pane-urile din ea.",
             "Kills the window, with a confirmation prompt. Closes every pane inside it."},
            {"⟨prefix⟩ f", "⟨prefix⟩ f",
             "Caută fereastră", "Find a window",
             "Caută după nume sau după conținutul afișat.",
             "Searches by name or by the text currently on screen."},
        }},
        {"Pane-uri", "Panes", "rectangle.split.2x2", {
            {"⟨prefix⟩ %", "⟨prefix⟩ %",
             "Split vertical", "Split vertically",
             "Împarte pane-ul curent în stânga/dreapta.",
             "Splits the current pane left/right."},
            {"⟨prefix⟩ \"", "⟨prefix⟩ \"",
             "Split orizontal", "Split horizontally",
             "Împarte pane-ul curent în sus/jos.",
             "Splits the current pane top/bottom."},
            {"⟨prefix⟩ săgeți", "⟨prefix⟩ arrows",
             "Navighează între pane-uri", "Move between panes",
             "Mută focusul în direcția săgeții.",
             "Moves the focus in the direction of the arrow."},
            {"⟨prefix⟩ o", "⟨prefix⟩ o",
             "Pane-ul următor", "Next pane",
             "Ciclic prin pane-urile ferestrei.",
             "Cycles through the panes of the window."},
            {"⟨prefix⟩ z", "⟨prefix⟩ z",
             "Zoom", "Zoom",
             "Maximizează temporar pane-ul curent; încă o dată revine la layout. Indispensabil.",
             "Temporarily maximizes the current pane; press again to restore the layout. Indispensable."},
            {"⟨prefix⟩ x", "⟨prefix⟩ x",
             "Închide pane-ul", "Kill the pane",
             "Kill pane, cu confirmare.",
             "Kills the pane, with a confirmation prompt."},
            {"⟨prefix⟩ !", "⟨prefix⟩ !",
             "Pane → fereastră", "Pane → window",
             "Scoate pane-ul curent într-o fereastră separată.",
             "Breaks the current pane out into a window of its own."},
            {"⟨prefix⟩ { / }", "⟨prefix⟩ { / }",
             "Mută pane-ul", "Move the pane",
             "Schimbă pane-ul curent cu cel anterior/următor.",
             "Swaps the current pane with the previous/next one."},
            {"⟨prefix⟩ Space", "⟨prefix⟩ Space",
             "Schimbă layout-ul", "Change the layout",
             "Ciclează prin layout-urile predefinite (even-horizontal, tiled etc.).",
             "Cycles through the preset layouts (even-horizontal, tiled, and so on)."},
            {"⟨prefix⟩ q", "⟨prefix⟩ q",
             "Arată numerele", "Show pane numbers",
             "Afișează indexul fiecărui pane; tastează numărul ca să sari la el.",
             "Displays each pane's index; type the number to jump to it."},
        }},
        {"Copy mode & scroll", "Copy mode & scroll", "doc.on.clipboard", {
            {"⟨prefix⟩ [", "⟨prefix⟩ [",
             "Intră în copy mode", "Enter copy mode",
             "Aici poți derula istoricul (scrollback) și copia text, totul de la tastatură.",
             "This is where you scroll back through history and copy text, all from the keyboard."},
            {"q", "q",
             "Ieși din copy mode", "Leave copy mode",
             "Revii la prompt.",
             "Takes you back to the prompt."},
            {"Space apoi Enter", "Space then Enter",
             "Selectează și copiază", "Select and copy",
             "Space începe selecția, Enter copiază în buffer-ul tmux (în mode-keys vi: v și y).",
             "Space starts the selection, Enter copies into the tmux buffer (with mode-keys vi: v and y)."},
            {"⟨prefix⟩ ]", "⟨prefix⟩ ]",
             "Paste", "Paste",
             "Lipește ultimul buffer copiat.",
             "Pastes the most recently copied buffer."},
            {"/ și ?", "/ and ?",
             "Caută în scrollback", "Search the scrollback",
             "/ caută în jos, ? în sus; n/N pentru următoarea potrivire.",
             "/ searches forward, ? searches backward; n/N move between matches."},
            {"g / G", "g / G",
             "Începutul / sfârșitul istoricului", "Start / end of history",
             "Sari direct la capătul scrollback-ului.",
             "Jumps straight to either end of the scrollback."},
        }},
        {"Diverse", "Odds and ends", "sparkles", {
            {"⟨prefix⟩ :", "⟨prefix⟩ :",
             "Command prompt", "Command prompt",
             "Rulezi orice comandă tmux direct, ex. „swap-window -t 0”.",
             "Run any tmux command directly, e.g. “swap-window -t 0”."},
            {"⟨prefix⟩ ?", "⟨prefix⟩ ?",
             "Toate keybinding-urile", "Every key binding",
             "Lista completă a tastelor active, inclusiv cele din config-ul tău.",
             "The full list of active keys, including the ones from your own config."},
            {"⟨prefix⟩ t", "⟨prefix⟩ t",
             "Ceas", "Clock",
             "Afișează un ceas mare în pane. Da, chiar există.",
             "Shows a big clock in the pane. Yes, this is real."},
            {"tmux send-keys -t nume 'cmd' Enter", "tmux send-keys -t name 'cmd' Enter",
             "Trimite comenzi remote", "Send commands remotely",
             "Rulezi o comandă într-o sesiune fără să te atașezi — baza automatizărilor.",
             "Run a command in a session without attaching to it — the foundation of any automation."},
            {"tmux capture-pane -p -t nume", "tmux capture-pane -p -t name",
             "Citește conținutul unui pane", "Read a pane's contents",
             "Scoate textul afișat — exact ce folosește această aplicație pentru preview.",
             "Dumps the on-screen text — exactly what this app uses for its previews."},
        }},
    };
    return all;
}

}  // namespace

std::vector<CheatCategory> categories() {
    std::vector<CheatCategory> result;
    for (const Topic& topic : topics()) {
        CheatCategory category{L(topic.nameRo, topic.nameEn), std::string(topic.icon), {}};
        for (const Entry& e : topic.entries)
            category.items.push_back({L(e.keysRo, e.keysEn), L(e.titleRo, e.titleEn), L(e.detailRo, e.detailEn)});
        result.push_back(std::move(category));
    }
    return result;
}

bool matches(const CheatItem& item, std::string_view query) {
    if (query.empty()) return true;
    const std::string q = text::toLower(query);
    for (const std::string* field : {&item.title, &item.detail, &item.keys})
        if (text::contains(text::toLower(*field), q)) return true;
    return false;
}

std::string withPrefix(std::string_view keys, std::string_view prefix) {
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t found = keys.find(prefixPlaceholder, at);
        out.append(keys.substr(at, found - at));
        if (found == std::string_view::npos) return out;
        out.append(prefix);
        at = found + prefixPlaceholder.size();
    }
}

}  // namespace quillon::ui::CheatSheet
