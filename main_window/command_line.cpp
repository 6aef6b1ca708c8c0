#include "main_window/command_line.h"

#include <QString>
#include <QUrl>
#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace stillmar {

namespace {

// Options of the window system that the program passes on, with whether each takes a value.
struct ToolkitOption {
    std::string_view name;
    bool takesValue;
};
constexpr std::array<ToolkitOption, 16> kToolkitOptions = {{
    {"-platform", true},
    {"-platformpluginpath", true},
    {"-platformtheme", true},
    {"-plugin", true},
    {"-qwindowgeometry", true},
    {"-qwindowicon", true},
    {"-qwindowtitle", true},
    {"-session", true},
    {"-style", true},
    {"-stylesheet", true},
    {"-display", true},
    {"-geometry", true},
    {"-reverse", false},
    {"-widgetcount", false},
    {"-nograb", false},
    {"-dograb", false},
}};

const ToolkitOption* toolkitOption(std::string_view arg) {
    const std::string_view name = arg.substr(0, arg.find('='));
    for (const ToolkitOption& o : kToolkitOptions)
        if (o.name == name) return &o;
    return nullptr;
}

std::string helpText() {
    return "Usage : stillmar [OPTION] [FICHIER]\n"
           "Lit une vidéo, un son ou un fichier MIDI et enregistre des images fixes de la vidéo\n"
           "au format BMP.\n"
           "\n"
           "  FICHIER      le fichier à lire dès l'ouverture de la fenêtre\n"
           "  -h, --help   affiche cette aide et quitte\n"
           "  --version    affiche la version et quitte\n"
           "\n"
           "Touches de la fenêtre :\n"
           "  Espace           pause et reprise\n"
           "  Gauche, Droite   recule, avance de 5 secondes ; Début : revient au début\n"
           "  . (point)        image suivante ; une vidéo qui joue se met d'abord en pause\n"
           "  , (virgule)      image précédente, de même ; maintenues, elles se répètent\n"
           "  Ctrl+C           copie l'image affichée, à la taille de la vidéo\n"
           "  Ctrl+O, Ctrl+Q   Ouvrir, Quitter ; Entrée : Capturer\n"
           "\n"
           "Voir aussi : man stillmar\n";
}

CommandLine failure(const std::string& message) {
    CommandLine c;
    c.action = CommandLine::Action::Error;
    c.text = "stillmar : " + message + "\nPour en savoir plus : stillmar --help\n";
    c.exitStatus = 2;
    return c;
}

// scheme://... : a URL rather than a file name (a name may hold a colon of its own).
bool looksLikeUrl(std::string_view arg) {
    const auto sep = arg.find("://");
    if (sep == std::string_view::npos || sep == 0) return false;
    return std::all_of(arg.begin(), arg.begin() + sep, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& version) {
    CommandLine result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--help" || arg == "-h") {
                CommandLine c;
                c.action = CommandLine::Action::Help;
                c.text = helpText();
                return c;
            }
            if (arg == "--version") {
                CommandLine c;
                c.action = CommandLine::Action::Version;
                c.text = "Stillmar " + version + "\n";
                return c;
            }
            if (const ToolkitOption* o = toolkitOption(arg)) {
                result.toolkitArguments.push_back(arg);
                if (o->takesValue && arg.find('=') == std::string::npos) {
                    if (i + 1 >= args.size())
                        return failure("l'option « " + arg + " » attend une valeur");
                    result.toolkitArguments.push_back(args[++i]);
                }
                continue;
            }
            return failure("option inconnue « " + arg + " »");
        }
        if (!result.file.empty()) return failure("un seul fichier à la fois");
        if (arg.empty()) return failure("nom de fichier vide");
        std::string path = arg;
        if (looksLikeUrl(arg)) {
            const QUrl url(QString::fromStdString(arg));
            if (!url.isLocalFile()) return failure("« " + arg + " » n'est pas un fichier local");
            path = url.toLocalFile().toStdString();
        }
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        result.file = ec ? path : absolute.lexically_normal().string();
    }
    return result;
}

}  // namespace stillmar
