#include "editor/SensitiveText.h"

#include <QCoreApplication>

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace SensitiveText {
namespace {

// Where values overlap, the lower rank wins: the more specific kind.
enum Rank { urlRank, tokenRank, emailRank, checksumRank, macRank, ipRank, entropyRank, labelRank };

// A value in one line's text: [start, end).
struct Candidate {
    Kind kind;
    Rank rank;
    qsizetype start;
    qsizetype end;
};

struct Line {
    QString text; // the words joined by single spaces
    QList<qsizetype> words;
    QList<qsizetype> wordStarts;
    int block = 0;
    QList<Candidate> candidates;
    QList<std::pair<qsizetype, qsizetype>> urls; // every URL, with a secret or not

    bool inUrl(qsizetype pos) const {
        return std::any_of(urls.begin(), urls.end(),
                           [&](const auto& u) { return pos >= u.first && pos < u.second; });
    }

    void add(Kind kind, Rank rank, qsizetype start, qsizetype end) {
        candidates.append({kind, rank, start, end});
    }
};

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isUpperAlnum(QChar c) {
    return isAsciiDigit(c) || (c >= u'A' && c <= u'Z');
}

// URLs that carry a credential: user:password@ or a query or fragment parameter named like one.
bool isSecretName(const QString& name) {
    static const QStringList exact = {u"key"_s, u"apikey"_s, u"pass"_s, u"pwd"_s, u"passwd"_s,
                                      u"sig"_s, u"auth"_s,   u"jwt"_s,  u"sid"_s, u"x-amz-credential"_s};
    static const QStringList endings = {u"token"_s,     u"secret"_s, u"signature"_s, u"password"_s,
                                        u"sessionid"_s, u"sessid"_s, u"_key"_s,      u"-key"_s};
    return exact.contains(name) ||
           std::any_of(endings.begin(), endings.end(), [&](const QString& e) { return name.endsWith(e); });
}

bool carriesSecret(QStringView url) {
    const qsizetype authorityStart = url.indexOf(u"://") + 3;
    qsizetype authorityEnd = authorityStart;
    while (authorityEnd < url.size() && !u"/?#"_s.contains(url[authorityEnd]))
        ++authorityEnd;
    const QStringView authority = url.mid(authorityStart, authorityEnd - authorityStart);
    const qsizetype at = authority.lastIndexOf(u'@');
    const qsizetype colon = authority.indexOf(u':');
    if (at > 0 && colon >= 0 && colon + 1 < at) return true;
    // The parameters of the query, the fragment and the path (";jsessionid=…"); the path before them is none.
    static const QRegularExpression separators(u"[?&;#]"_s);
    const QStringList parts = url.mid(authorityEnd).toString().split(separators);
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype eq = parts[i].indexOf(u'=');
        if (eq > 0 && eq + 1 < parts[i].size() && isSecretName(parts[i].left(eq).toLower())) return true;
    }
    return false;
}

void findUrls(Line& line) {
    static const QRegularExpression re(uR"((?<![\w.+-])[a-z][a-z0-9+.-]{1,15}://[^\s<>"'`]+)"_s,
                                       QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text)) {
        qsizetype end = m.capturedEnd();
        while (u".,;:!?)]}"_s.contains(line.text[end - 1]))
            --end;
        line.urls.append({m.capturedStart(), end});
        if (carriesSecret(QStringView(line.text).mid(m.capturedStart(), end - m.capturedStart())))
            line.add(Kind::url, urlRank, m.capturedStart(), end);
    }
    // Recognition reads spaces into a URL where the font leaves a gap: after the scheme's colon, a
    // dot or a slash, before a dot, "?" or "/". Joined again, pieces whose URL carries a secret are one
    // URL; others stay as they were read, so nothing after them is taken for part of a URL.
    static const QRegularExpression spaced(
        uR"((?<![\w.+-])[a-z][a-z0-9+.-]{1,15}: ?//[^\s<>"'`]+(?:(?:(?<=[./:=]) | (?=[./?&#=]))[^\s<>"'`@]+){0,4})"_s,
        QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : spaced.globalMatch(line.text)) {
        if (!m.captured().contains(u' ')) continue;
        qsizetype end = m.capturedEnd();
        while (u".,;:!?)]}"_s.contains(line.text[end - 1]))
            --end;
        const QString joined = line.text.mid(m.capturedStart(), end - m.capturedStart()).remove(u' ');
        if (!carriesSecret(joined)) continue;
        line.urls.append({m.capturedStart(), end});
        line.add(Kind::url, urlRank, m.capturedStart(), end);
    }
}

// Keys whose look is their own: AWS access keys, GitHub, Slack, Google, Stripe and GitLab tokens, JWTs.
// Recognition reads spaces into them where a font leaves a gap (around a Slack token's dashes, an
// underscore read as one, a JWT cut in two): a few such pieces still make the key.
void findTokens(Line& line) {
    static const QRegularExpression re(
        uR"((?<![\w-])(?:(?:AKIA|ASIA)[A-Z0-9]{16}(?![A-Za-z0-9])|)"
        uR"(gh[pousr]_[A-Za-z0-9]{20,}|github[_ ]pat_\w{8,}(?: (?=\w*(?:\d|_|[a-z][A-Z]))\w{3,}){0,2}|)"
        uR"(xox[abpsr] ?-(?: ?[A-Za-z0-9]+ ?-)* ?[A-Za-z0-9]{6,}|)"
        uR"(eyJ[\w-]{4,}(?: [\w-]+){0,2}\. ?[\w-]{4,}(?: [\w-]+){0,2}\. ?[\w-]*|)"
        uR"(AIza[\w-]{30,}|[sr]k_(?:live|test)_[A-Za-z0-9]{16,}|)"
        uR"(glpat-[\w-]{20,}))"_s);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text))
        line.add(Kind::key, tokenRank, m.capturedStart(), m.capturedEnd());
}

// Spaces around the @, and after a dot of the domain ("example. com"), are how recognition often
// splits an address into words; a part after such a space starts small, as domains are written.
// A user in a URL is no address.
void findEmails(Line& line) {
    static const QRegularExpression re(
        uR"((?<![\w.%+-])[\w.%+-]+ ?@ ?[A-Za-z0-9-]+(?:\.(?: (?=[a-z0-9]))?[A-Za-z0-9-]+)*)"
        uR"(\.(?: (?=[a-z]))?[A-Za-z]{2,}(?![\w-]|\.\w))"_s);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text))
        if (!line.inUrl(m.capturedStart()))
            line.add(Kind::email, emailRank, m.capturedStart(), m.capturedEnd());
}

// Recognition reads O for 0 and l or I for 1; a misread octet still counts while most characters are digits.
void findIpv4(Line& line) {
    static const QRegularExpression re(uR"((?<![\w.])([0-9OoIl]{1,3})\.([0-9OoIl]{1,3})\.([0-9OoIl]{1,3})\.)"
                                       uR"(([0-9OoIl]{1,3})(?::\d{1,5})?(?:/\d{1,2})?(?!\w|\.\d))"_s);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text)) {
        int digits = 0;
        int misread = 0;
        bool valid = true;
        for (int group = 1; group <= 4; ++group) {
            int octet = 0;
            for (const QChar c : m.capturedView(group)) {
                const bool digit = isAsciiDigit(c);
                octet = octet * 10 + (digit ? c.digitValue() : (c == u'O' || c == u'o') ? 0 : 1);
                (digit ? digits : misread) += 1;
            }
            valid = valid && octet <= 255;
        }
        if (valid && digits > misread) line.add(Kind::ip, ipRank, m.capturedStart(), m.capturedEnd());
    }
}

bool ipv6Valid(QStringView address) {
    if (address.contains(u":::") || address.count(u"::") > 1) return false;
    const bool compressed = address.contains(u"::");
    if ((address.startsWith(u':') && !address.startsWith(u"::")) ||
        (address.endsWith(u':') && !address.endsWith(u"::")))
        return false;
    const QList<QStringView> parts = address.split(u':');
    int groups = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (parts[i].isEmpty()) continue;
        if (parts[i].contains(u'.')) {
            // An IPv4 address as the last two groups.
            const QList<QStringView> octets = parts[i].split(u'.');
            if (i + 1 != parts.size() || octets.size() != 4) return false;
            for (QStringView octet : octets)
                if (octet.isEmpty() || octet.toInt() > 255) return false;
            groups += 2;
        } else {
            groups += 1;
        }
    }
    const bool anyDigit = std::any_of(address.begin(), address.end(), isAsciiDigit);
    return anyDigit && (compressed ? groups <= 7 : groups == 8);
}

void findIpv6(Line& line) {
    static const QRegularExpression re(
        uR"((?<![\w:.])(\[)?([0-9A-Fa-f]{0,4}(?::[0-9A-Fa-f]{0,4}){2,7}(?:\.\d{1,3}){0,3}))"
        uR"((?(1)\](?::\d{1,5})?)(?:/\d{1,3})?(?!\w|:|\.\d))"_s);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text)) {
        // In "fe80::1: reachable" the colon is the sentence's.
        QStringView address = m.capturedView(2);
        qsizetype end = m.capturedEnd();
        if (end == m.capturedEnd(2) && address.endsWith(u':') && !address.endsWith(u"::")) {
            address.chop(1);
            --end;
        }
        if (ipv6Valid(address)) line.add(Kind::ip, ipRank, m.capturedStart(), end);
    }
}

// 00:1a:2b:3c:4d:5e, 00-1A-2B-3C-4D-5E and Cisco's 001a.2b3c.4d5e, with O read for 0.
void findMacs(Line& line) {
    static const QRegularExpression re(
        uR"((?<![\w:.-])(?:[0-9A-Fa-fOo]{2}([:-])[0-9A-Fa-fOo]{2}(?:\1[0-9A-Fa-fOo]{2}){4}|)"
        uR"(([0-9A-Fa-fOo]{4}\.[0-9A-Fa-fOo]{4}\.[0-9A-Fa-fOo]{4}))(?![\w:-]|\.\w))"_s);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text)) {
        // Three dotted words of hex letters alone ("dead.beef.cafe") are more likely words.
        const QStringView dotted = m.capturedView(2);
        if (!dotted.isEmpty() && std::none_of(dotted.begin(), dotted.end(), isAsciiDigit)) continue;
        line.add(Kind::mac, macRank, m.capturedStart(), m.capturedEnd());
    }
}

// The length of every country's IBAN: a run of the right length passing mod 97 is an IBAN.
bool ibanValid(const QString& iban) {
    static const QString lengths =
        u"AD24AE23AL28AT20AZ28BA20BE16BG22BH22BR29BY28CH21CR22CY28CZ24DE22DK18DO28EE20EG29ES24FI18FO18FR27"
        "GB22GE22GI23GL18GR27GT28HR21HU28IE22IL23IQ23IS26IT27JO30KW30KZ20LB28LC32LI21LT20LU20LV21MC27MD24"
        "ME22MK19MR27MT31MU30NL18NO15PK24PL28PS29PT25QA29RO24RS22SA24SC31SE24SI19SK24SM27TN24TR26UA29VA22"
        "VG24XK20"_s;
    qsizetype at = lengths.indexOf(iban.left(2));
    if (at < 0 || lengths.mid(at + 2, 2).toInt() != iban.size()) return false; // letter pairs only at codes
    const QString rotated = iban.mid(4) + iban.left(4);
    int remainder = 0;
    for (const QChar c : rotated)
        remainder = isAsciiDigit(c) ? (remainder * 10 + c.digitValue()) % 97
                                    : (remainder * 100 + c.unicode() - 'A' + 10) % 97;
    return remainder == 1;
}

// Written whole or in groups of four: the longest run from the country code that passes.
void findIbans(Line& line) {
    static const QRegularExpression re(uR"((?<![\p{L}\p{N}])[A-Z]{2}\d{2})"_s);
    const QString& text = line.text;
    for (const QRegularExpressionMatch& m : re.globalMatch(text)) {
        QString compact;
        qsizetype best = -1;
        qsizetype group = 0;
        for (qsizetype i = m.capturedStart(); i < text.size() && compact.size() < 34; ++i) {
            if (text[i] == u' ' && group == 4 && i + 1 < text.size() && isUpperAlnum(text[i + 1])) {
                group = 0;
                continue;
            }
            if (!isUpperAlnum(text[i])) break;
            compact += text[i];
            ++group;
            const bool wordEnds = i + 1 == text.size() || !text[i + 1].isLetterOrNumber();
            if (wordEnds && ibanValid(compact)) best = i + 1;
        }
        if (best > 0) line.add(Kind::iban, checksumRank, m.capturedStart(), best);
    }
}

bool luhnValid(const QString& digits) {
    int sum = 0;
    bool twice = false;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        int d = digits[i].digitValue();
        if (twice) d = d * 2 > 9 ? d * 2 - 9 : d * 2;
        sum += d;
        twice = !twice;
    }
    return sum % 10 == 0;
}

// Card numbers as printed: whole, in fours, or Amex's 4-6-5 (Diners' 4-6-4), from an issuer's range.
bool cardShaped(const QList<qsizetype>& sizes, const QString& digits) {
    const bool fours =
        std::all_of(sizes.begin(), sizes.end() - 1, [](qsizetype s) { return s == 4; }) && sizes.last() <= 4;
    const bool amex = sizes.size() == 3 && sizes[0] == 4 && sizes[1] == 6 && (sizes[2] == 5 || sizes[2] == 4);
    const int four = digits.left(4).toInt();
    const bool issuer = (digits[0] >= u'3' && digits[0] <= u'6') || (four >= 2221 && four <= 2720);
    return (sizes.size() == 1 || fours || amex) && issuer;
}

void findCards(Line& line) {
    static const QRegularExpression re(uR"((?<![\w+.,]|\d[ -])\d(?:[ -]?\d)*)"_s);
    for (const QRegularExpressionMatch& m : re.globalMatch(line.text)) {
        // The groups of the run (the first nine); numbers printed before or after a card are left off.
        QList<qsizetype> starts;
        QList<qsizetype> sizes;
        for (qsizetype i = m.capturedStart(); i < m.capturedEnd() && sizes.size() <= 9; ++i) {
            if (!isAsciiDigit(line.text[i])) continue;
            if (i == m.capturedStart() || !isAsciiDigit(line.text[i - 1])) {
                starts.append(i);
                sizes.append(0);
            }
            ++sizes.last();
        }
        for (qsizetype first = 0; first < sizes.size(); ++first) {
            for (qsizetype last = sizes.size() - 1; last >= first; --last) {
                const qsizetype end = starts[last] + sizes[last];
                QString number = line.text.mid(starts[first], end - starts[first]);
                number.remove(u' ').remove(u'-');
                if (number.size() >= 13 && number.size() <= 19 &&
                    cardShaped(sizes.mid(first, last - first + 1), number) && luhnValid(number)) {
                    line.add(Kind::card, checksumRank, starts[first], end);
                    first = last;
                    break;
                }
            }
        }
    }
}

double entropy(QStringView s) {
    std::array<int, 128> counts{};
    for (const QChar c : s)
        ++counts[c.unicode() & 127];
    double bits = 0;
    for (const int n : counts)
        if (n > 0) bits -= n / double(s.size()) * std::log2(n / double(s.size()));
    return bits;
}

// Random text changes between digits, capitals and small letters every character or two; words,
// names and dated file names run on (a capital and its small letters count as one piece, and
// separators do not end a piece: 2026-12-08 is one).
double meanPieceLength(QStringView s) {
    int pieces = 0;
    int letters = 0;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        qsizetype j = i + 1;
        if (c.isDigit()) {
            while (j < s.size() && s[j].isDigit())
                ++j;
        } else if (c.isUpper()) {
            while (j < s.size() && s[j].isUpper())
                ++j;
            if (j == i + 1)
                while (j < s.size() && s[j].isLower())
                    ++j;
        } else if (c.isLower()) {
            while (j < s.size() && s[j].isLower())
                ++j;
        }
        ++pieces;
        letters += int(j - i);
        i = j;
    }
    return pieces ? double(letters) / pieces : 0;
}

bool randomLooking(QStringView run) {
    static const QRegularExpression uuid(u"^[0-9a-fA-F]{8}(-[0-9a-fA-F]{4}){3}-[0-9a-fA-F]{12}$"_s);
    const int classes = int(std::any_of(run.begin(), run.end(), [](QChar c) { return c.isDigit(); })) +
                        int(std::any_of(run.begin(), run.end(), [](QChar c) { return c.isUpper(); })) +
                        int(std::any_of(run.begin(), run.end(), [](QChar c) { return c.isLower(); }));
    QString alnum = run.toString();
    alnum.removeIf([](QChar c) { return !c.isLetterOrNumber(); });
    return classes >= 2 && entropy(run) >= 3.5 && meanPieceLength(alnum) <= 3.5 &&
           !uuid.match(run).hasMatch();
}

// Long random-looking strings, not inside URLs (a URL with a secret is found whole), paths or
// checksums named as such ("sha256:…": a digest is public).
void findRandomKeys(Line& line) {
    static const QRegularExpression re(uR"((?<![\w+/-])[\w+/-]{20,}={0,2}(?![\w+/=-]))"_s);
    const QString& text = line.text;
    static const QRegularExpression digest(u"(?:sha\\d*|md5)[:=]$"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : re.globalMatch(text)) {
        const qsizetype wordStart = text.lastIndexOf(u' ', m.capturedStart()) + 1;
        const QString before = text.mid(wordStart, m.capturedStart() - wordStart);
        if (line.inUrl(m.capturedStart()) || u"/~."_s.contains(text[wordStart]) ||
            before.startsWith(u"www."_s) || digest.match(before).hasMatch())
            continue;
        if (randomLooking(m.capturedView()))
            line.add(Kind::key, entropyRank, m.capturedStart(), m.capturedEnd());
    }
}

// Labels and what their value must look like: some need a ":" or "=" ("Key: …"), cards and IBANs digits.
struct LabelRule {
    const char16_t* pattern;
    bool needsSeparator;
    int minDigits;
};
constexpr LabelRule kLabels[] = {
    {u"(?:license|licence|product|activation|registration|serial|api|secret|access|private)[\\s_-]?key",
     false, 0},
    {u"(?:access|auth|api|bearer|session)[\\s_-]?token", false, 0},
    {u"serial(?:\\s*(?:number|num|no|nr))?\\.?|s/n|sn", false, 0},
    {u"password|passwort|kennwort|passwd|passcode|pin(?:[\\s-]*code)?", false, 0},
    {u"(?:client[\\s_-]?)?secret", false, 0},
    {u"key|token", true, 0},
    {u"iban|(?:credit\\s*)?card(?:\\s*(?:number|num|no|nr))?\\.?|kreditkarte", false, 8},
    // An address misread by a character is no longer an address, but its label still says what it is.
    {u"(?:ip|ipv4|ipv6|mac|e-?mail)[\\s-]*address|ip-adresse|mac-adresse|e-?mail", false, 0},
};

const QRegularExpression& labelRegex() {
    static const QRegularExpression re = [] {
        QStringList groups;
        for (const LabelRule& rule : kLabels)
            groups.append(u'(' + QString::fromUtf16(rule.pattern) + u')');
        return QRegularExpression(u"(?<![\\p{L}\\p{N}_])(?:"_s + groups.join(u'|') + u")(?![\\p{L}\\p{N}])"_s,
                                  QRegularExpression::CaseInsensitiveOption);
    }();
    return re;
}

// A password field shows dots, not the password.
bool masked(QStringView word) {
    return std::all_of(word.begin(), word.end(), [](QChar c) { return u"*•●·∙"_s.contains(c); });
}

// A digit, a sign inside, a run of capitals or capitals after the first letter: not an ordinary word.
bool looksLikeValue(QStringView word) {
    const bool digit = std::any_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); });
    const bool sign = std::any_of(word.begin(), word.end(),
                                  [](QChar c) { return !c.isLetterOrNumber() && !u"()[]\"'"_s.contains(c); });
    const bool capitals =
        word.size() >= 4 && std::all_of(word.begin(), word.end(), [](QChar c) { return c.isUpper(); });
    const bool innerCapital =
        std::any_of(word.begin() + 1, word.end(), [](QChar c) { return c.isUpper(); }) &&
        std::any_of(word.begin(), word.end(), [](QChar c) { return c.isLower(); });
    return digit || sign || capitals || innerCapital;
}

// The value from `start`: its first word always after a separator (a password may be any word),
// else only when it looks like a value; then the words after it that look like parts of it.
void addLabelValue(Line& line, qsizetype start, bool separated, int minDigits) {
    const QString& text = line.text;
    qsizetype pos = start;
    qsizetype end = -1;
    int digits = 0;
    // Ten words are more than any number printed in groups.
    for (int words = 0; pos < text.size() && words < 10; ++words) {
        qsizetype wordEnd = text.indexOf(u' ', pos);
        if (wordEnd < 0) wordEnd = text.size();
        QStringView word = QStringView(text).mid(pos, wordEnd - pos);
        // Punctuation ends the value, and so does the next label.
        const bool closes = !word.isEmpty() && u".,;!?"_s.contains(word.back());
        if (closes) word.chop(1);
        const bool first = end < 0;
        const bool label = !first && labelRegex()
                                         .match(word, 0, QRegularExpression::NormalMatch,
                                                QRegularExpression::AnchorAtOffsetMatchOption)
                                         .hasMatch();
        // "Gateway:" starts the next pair; "CE:" or "18:09:" is a MAC address read with a space in it.
        const bool nextLabel = word.endsWith(u':') && std::any_of(word.begin(), word.end(), [](QChar c) {
                                   return c.isLetter() && !QStringLiteral("abcdefABCDEF").contains(c);
                               });
        if (word.isEmpty() || (word.endsWith(u':') && (first ? word.size() == 1 : nextLabel)) || label || masked(word) ||
            !((first && separated) || looksLikeValue(word)))
            break;
        digits += int(std::count_if(word.begin(), word.end(), [](QChar c) { return c.isDigit(); }));
        end = pos + word.size();
        if (closes) break;
        pos = wordEnd + 1;
    }
    if (end > start && digits >= minDigits) line.add(Kind::labelled, labelRank, start, end);
}

// "Password: …", "S/N 4711", "SN-4711"; a label ending its line takes the first words of the next
// line of its block (an input field below its label).
// "Some words:" opening a line: a label, whatever it labels.
bool startsWithLabel(const QString& text) {
    static const QRegularExpression label(uR"(^\p{L}[\p{L}\p{N} ./()_-]{0,30}[:=](\s|$))"_s);
    return label.match(text).hasMatch();
}

void findLabelled(QList<Line>& lines, qsizetype index) {
    Line& line = lines[index];
    const QString& text = line.text;
    for (const QRegularExpressionMatch& m : labelRegex().globalMatch(text)) {
        const int rule = m.lastCapturedIndex() - 1; // one group a rule, none inside
        qsizetype pos = m.capturedEnd();
        while (pos < text.size() && text[pos] == u' ')
            ++pos;
        const bool separated = pos < text.size() && u":=#"_s.contains(text[pos]);
        if (separated) ++pos;
        while (pos < text.size() && text[pos] == u' ')
            ++pos;
        // "Key F5" is no key, "Password-protected" no password.
        if ((!separated && kLabels[rule].needsSeparator) ||
            (!separated && pos == m.capturedEnd() && pos < text.size()))
            continue;
        if (pos < text.size())
            addLabelValue(line, pos, separated, kLabels[rule].minDigits);
        // The value under the label, unless the next line is a label of its own ("MAC address:"
        // after a "Serial number:" whose value was not read).
        else if (index + 1 < lines.size() && lines[index + 1].block == line.block &&
                 !startsWithLabel(lines[index + 1].text))
            addLabelValue(lines[index + 1], 0, separated, kLabels[rule].minDigits);
    }
    static const QRegularExpression prefixed(uR"((?<![\p{L}\p{N}_])S/?N-[\w-]{4,})"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : prefixed.globalMatch(text))
        line.add(Kind::labelled, labelRank, m.capturedStart(), m.capturedEnd());
}

// Each value once, as its most specific kind; a labelled value stops where a more specific one starts.
QList<Candidate> resolve(QList<Candidate> candidates, const QString& text) {
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        return a.end - a.start > b.end - b.start;
    });
    QList<Candidate> taken;
    for (Candidate c : candidates) {
        for (const Candidate& t : taken)
            if (t.start < c.end && c.start < t.end)
                c.end = (c.kind == Kind::labelled && t.start > c.start) ? t.start : c.start;
        while (c.end > c.start && text[c.end - 1] == u' ')
            --c.end;
        if (c.end > c.start) taken.append(c);
    }
    std::sort(taken.begin(), taken.end(),
              [](const Candidate& a, const Candidate& b) { return a.start < b.start; });
    return taken;
}

} // namespace

// The recognised lines grouped into rows as they stand on the screen: a settings page's label
// column and value column are separate blocks to the recogniser, and a label must meet its value.
static QList<QList<qsizetype>> rowsOf(const RecognizedText& text) {
    struct Span {
        QList<qsizetype> words;
        int top = 0, bottom = 0, left = 0;
    };
    QList<Span> spans;
    for (qsizetype i = 0; i < text.words.size(); ++i) {
        const RecognizedWord& word = text.words[i];
        if (i == 0 || word.line != text.words[i - 1].line || word.block != text.words[i - 1].block)
            spans.append({{}, word.box.top(), word.box.bottom(), word.box.left()});
        Span& span = spans.last();
        span.words.append(i);
        span.top = std::min(span.top, word.box.top());
        span.bottom = std::max(span.bottom, word.box.bottom());
        span.left = std::min(span.left, word.box.left());
    }
    std::stable_sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.top < b.top; });
    struct Row {
        QList<Span> spans;
        int top = 0, bottom = 0;
    };
    QList<Row> rows;
    for (const Span& span : spans) {
        Row* into = nullptr;
        // Rows come in order from the top: only the last few can share a row with this one.
        for (qsizetype r = rows.size() - 1; r >= 0 && r >= rows.size() - 8 && !into; --r) {
            const int overlap = std::min(rows[r].bottom, span.bottom) - std::max(rows[r].top, span.top) + 1;
            const int smaller = std::min(rows[r].bottom - rows[r].top, span.bottom - span.top) + 1;
            if (overlap * 2 >= smaller) into = &rows[r];
        }
        if (!into) {
            rows.append({{}, span.top, span.bottom});
            into = &rows.last();
        }
        into->spans.append(span);
        into->top = std::min(into->top, span.top);
        into->bottom = std::max(into->bottom, span.bottom);
    }
    QList<QList<qsizetype>> out;
    for (Row& row : rows) {
        std::stable_sort(row.spans.begin(), row.spans.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
        QList<qsizetype> words;
        for (const Span& span : row.spans) words += span.words;
        out.append(words);
    }
    return out;
}

QList<Finding> find(const RecognizedText& text, QRect bounds) {
    QList<Line> lines;
    for (const QList<qsizetype>& row : rowsOf(text)) {
        Line line;
        line.block = text.words[row.first()].block;
        for (qsizetype i : row) {
            if (!line.words.isEmpty()) line.text += u' ';
            line.words.append(i);
            line.wordStarts.append(line.text.size());
            line.text += text.words[i].text;
        }
        lines.append(line);
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        findUrls(line);
        findTokens(line);
        findEmails(line);
        findIbans(line);
        findCards(line);
        findMacs(line);
        findIpv4(line);
        findIpv6(line);
        findRandomKeys(line);
        findLabelled(lines, i);
    }
    QList<Finding> findings;
    for (const Line& line : lines) {
        int height = 0;
        for (const qsizetype w : line.words)
            height = std::max(height, text.words[w].box.height());
        const int margin = std::max(2, int(std::ceil(height * 0.15)));
        // Recognition may split a value at a misread character: the pieces then nearly touch,
        // closer than any space, and the whole of it is covered.
        const int glued = std::max(1, int(height * 0.12));
        const auto gap = [&](qsizetype left, qsizetype right) {
            return text.words[line.words[right]].box.left() - text.words[line.words[left]].box.right() - 1;
        };
        for (const Candidate& c : resolve(line.candidates, line.text)) {
            qsizetype first = -1, last = -1;
            for (qsizetype k = 0; k < line.words.size(); ++k) {
                const qsizetype start = line.wordStarts[k];
                if (start < c.end && start + text.words[line.words[k]].text.size() > c.start) {
                    if (first < 0) first = k;
                    last = k;
                }
            }
            if (first < 0) continue;
            while (first > 0 && gap(first - 1, first) <= glued) --first;
            while (last + 1 < line.words.size() && gap(last, last + 1) <= glued) ++last;
            QRect box;
            for (qsizetype k = first; k <= last; ++k) box |= text.words[line.words[k]].box;
            // What is hidden already is not found again.
            if (line.text.mid(c.start, c.end - c.start).contains(kCovered)) continue;
            box.adjust(-margin, -margin, margin, margin);
            if (!bounds.isEmpty()) box &= bounds;
            findings.append({c.kind, box, line.text.mid(c.start, c.end - c.start)});
        }
    }
    return findings;
}

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::email:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "e-mail"));
    case Kind::ip:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "IP"));
    case Kind::mac:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "MAC"));
    case Kind::url:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "URL"));
    case Kind::key:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "key"));
    case Kind::iban:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "IBAN"));
    case Kind::card:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "card"));
    case Kind::labelled:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("SensitiveText", "labelled value"));
    }
    return {};
}

// Shown in the editor, so in the user's language (the command line prints kindName() as it is).
QString summary(const QList<Finding>& findings) {
    if (findings.isEmpty()) return QCoreApplication::translate("SensitiveText", "Nothing sensitive found");
    std::array<int, int(Kind::labelled) + 1> counts{};
    for (const Finding& f : findings)
        ++counts[int(f.kind)];
    QStringList parts;
    for (int k = 0; k < int(counts.size()); ++k)
        if (counts[k] > 0)
            parts.append(QCoreApplication::translate("SensitiveText", "%1 %2")
                             .arg(counts[k])
                             .arg(QCoreApplication::translate("SensitiveText", kindName(Kind(k)).toUtf8().constData())));
    return QCoreApplication::translate("SensitiveText", "%1 found: %2")
        .arg(findings.size())
        .arg(parts.join(QCoreApplication::translate("SensitiveText", ", ")));
}

} // namespace SensitiveText
