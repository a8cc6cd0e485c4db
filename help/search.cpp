// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/search.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// What a word found in each part of a page is worth, and how much less a synonym counts.
constexpr int kTitleScore = 100;
constexpr int kHeadingScore = 30;
constexpr int kTextScore = 10;
constexpr int kRepeatScore = 2;
constexpr int kRepeatsCounted = 5;
constexpr int kSynonymPercent = 80;
constexpr int kSnippetBefore = 60;
constexpr int kSnippetAfter = 140;

// Words a question is full of that say nothing of what is looked for.
const QSet<QString>& stopWords() {
    static const QSet<QString> words = {
        QStringLiteral("a"),  QStringLiteral("an"),   QStringLiteral("and"), QStringLiteral("can"),
        QStringLiteral("do"), QStringLiteral("for"),  QStringLiteral("how"), QStringLiteral("i"),
        QStringLiteral("in"), QStringLiteral("is"),   QStringLiteral("it"),  QStringLiteral("my"),
        QStringLiteral("of"), QStringLiteral("on"),   QStringLiteral("or"),  QStringLiteral("the"),
        QStringLiteral("to"), QStringLiteral("what"), QStringLiteral("with")};
    return words;
}

const QRegularExpression& wordPattern() {
    static const QRegularExpression pattern(QStringLiteral("[\\p{L}\\p{N}]+"));
    return pattern;
}

QStringList wordsOf(const QString& text) {
    QStringList words;
    for (auto it = wordPattern().globalMatch(text); it.hasNext();)
        words << it.next().captured().toLower();
    return words;
}

QStringList stemsOf(const QString& text) {
    QStringList stems;
    for (const QString& word : wordsOf(text))
        stems << stem(word);
    return stems;
}

QString decodeEntities(const QString& text) {
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    static const QHash<QString, QString> named = {{QStringLiteral("amp"), QStringLiteral("&")},
                                                  {QStringLiteral("lt"), QStringLiteral("<")},
                                                  {QStringLiteral("gt"), QStringLiteral(">")},
                                                  {QStringLiteral("quot"), QStringLiteral("\"")},
                                                  {QStringLiteral("apos"), QStringLiteral("'")},
                                                  {QStringLiteral("nbsp"), QStringLiteral(" ")},
                                                  {QStringLiteral("ndash"), QStringLiteral("–")},
                                                  {QStringLiteral("mdash"), QStringLiteral("—")},
                                                  {QStringLiteral("hellip"), QStringLiteral("…")}};
    QString out;
    qsizetype from = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        out += text.mid(from, match.capturedStart() - from);
        const QString name = match.captured(1);
        bool ok = false;
        uint code = 0;
        if (name.startsWith(QLatin1String("#x")))
            code = name.mid(2).toUInt(&ok, 16);
        else if (name.startsWith(QLatin1Char('#')))
            code = name.mid(1).toUInt(&ok);
        if (ok && code > 0 && code <= 0x10FFFF)
            out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        else
            out += named.value(name, match.captured());
        from = match.capturedEnd();
    }
    return out + text.mid(from);
}

// The text of a piece of HTML, tags gone and white space run together.
QString plainText(const QString& html) {
    // Tags inside a sentence go without a trace ("<a>Options</a>." reads "Options."); every
    // other tag parts words.
    static const QRegularExpression inlineTag(
        QStringLiteral("</?(a|abbr|b|code|em|i|kbd|small|span|strong|sub|sup|u)\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return decodeEntities(QString(html).remove(inlineTag).replace(tag, QStringLiteral(" ")))
        .simplified();
}

QString firstMatch(const QString& html, const QString& pattern) {
    const QRegularExpression expression(pattern,
                                        QRegularExpression::CaseInsensitiveOption |
                                            QRegularExpression::DotMatchesEverythingOption);
    return expression.match(html).captured(1);
}

// A page taken apart for searching: the words of its title and headings, and its body text
// without the heading that repeats the title.
struct Page {
    QString name;
    QString title;
    QSet<QString> titleStems;
    QSet<QString> headingStems;
    QString text;
    QHash<QString, int> textCounts;

    // contents: the home page, whose links on every page are no part of the page's text.
    Page(const QString& key, const QString& html, const QString& contents)
        : name(key.mid(1)) {
        title = plainText(firstMatch(html, QStringLiteral("<title>(.*?)</title>")));
        if (title.isEmpty())
            title = name;
        for (const QString& s : stemsOf(title))
            titleStems.insert(s);
        static const QRegularExpression heading(QStringLiteral("<h[1-6][^>]*>(.*?)</h[1-6]>"),
                                                QRegularExpression::CaseInsensitiveOption |
                                                    QRegularExpression::DotMatchesEverythingOption);
        for (auto it = heading.globalMatch(html); it.hasNext();)
            for (const QString& s : stemsOf(plainText(it.next().captured(1))))
                headingStems.insert(s);
        QString body = firstMatch(html, QStringLiteral("<body[^>]*>(.*)"));
        if (body.isEmpty())
            body = html;
        static const QRegularExpression unseen(
            QStringLiteral("<(script|style|title)[^>]*>.*?</\\1>|<h1[^>]*>.*?</h1>"),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpression toContents(QStringLiteral("<a\\s[^>]*href=\"?%1\"?[^>]*>.*?</a>")
                                                .arg(QRegularExpression::escape(contents)),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
        text = plainText(body.replace(unseen, QStringLiteral(" ")).remove(toContents));
        for (const QString& s : stemsOf(text))
            ++textCounts[s];
    }

    int scoreOf(const QString& s) const {
        int score = 0;
        if (titleStems.contains(s))
            score += kTitleScore;
        if (headingStems.contains(s))
            score += kHeadingScore;
        if (const int count = textCounts.value(s))
            score += kTextScore + kRepeatScore * std::min(count - 1, kRepeatsCounted);
        return score;
    }
};

// One word of the query: the word itself first, then the words the synonym entry gives for it.
// Each alternative is a list of stems that must all be on the page.
using Term = QList<QStringList>;

QHash<QString, QList<QStringList>> synonyms(const PropertyBag& bag) {
    QHash<QString, QList<QStringList>> table;
    QString text;
    try {
        text = pageText(bag, QString::fromLatin1(kSynonymEntry));
    } catch (const HelpError&) {
        return table;
    }
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (trimmed.startsWith(QLatin1Char('#')) || equals < 1)
            continue;
        const QStringList key = stemsOf(trimmed.left(equals));
        if (key.size() != 1)
            continue;
        for (const QString& alternative : trimmed.mid(equals + 1).split(QLatin1Char('|'))) {
            const QStringList stems = stemsOf(alternative);
            if (!stems.isEmpty())
                table[key.first()] << stems;
        }
    }
    return table;
}

QList<Term> termsOf(const PropertyBag& bag, const QString& query) {
    QStringList words = wordsOf(query);
    const QStringList meaningful = [&] {
        QStringList kept;
        for (const QString& word : words)
            if (!stopWords().contains(word))
                kept << word;
        return kept;
    }();
    if (!meaningful.isEmpty())
        words = meaningful;
    const auto table = synonyms(bag);
    QList<Term> terms;
    QSet<QString> seen;
    for (const QString& word : words) {
        const QString s = stem(word);
        if (seen.contains(s))
            continue;
        seen.insert(s);
        terms << (Term{QStringList{s}} + table.value(s));
    }
    return terms;
}

// The score of one term on a page (0: not there) and the stems that made it.
int termScore(const Page& page, const Term& term, QSet<QString>& found) {
    int best = 0;
    for (qsizetype i = 0; i < term.size(); ++i) {
        int sum = 0;
        for (const QString& s : term[i]) {
            const int score = page.scoreOf(s);
            if (score == 0) {
                sum = 0;
                break;
            }
            sum += score;
        }
        if (sum == 0)
            continue;
        for (const QString& s : term[i])
            found.insert(s);
        int score = sum / int(term[i].size());
        if (i > 0)
            score = score * kSynonymPercent / 100;
        best = std::max(best, score);
    }
    return best;
}

// The text around the first word found, the words found in bold.
QString snippetOf(const QString& text, const QSet<QString>& found) {
    struct Word {
        qsizetype start, end;
        bool hit;
    };
    QList<Word> words;
    qsizetype first = -1;
    for (auto it = wordPattern().globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const bool hit = found.contains(stem(match.captured().toLower()));
        words.append({match.capturedStart(), match.capturedEnd(), hit});
        if (hit && first < 0)
            first = match.capturedStart();
    }
    if (first < 0)
        first = 0;
    qsizetype start = std::max<qsizetype>(0, first - kSnippetBefore);
    qsizetype end = std::min(text.size(), first + kSnippetAfter);
    if (start > 0) {
        const qsizetype space = text.indexOf(QLatin1Char(' '), start);
        start = space >= 0 && space < first ? space + 1 : first;
    }
    if (end < text.size() && text.lastIndexOf(QLatin1Char(' '), end) > first)
        end = text.lastIndexOf(QLatin1Char(' '), end);
    QString html = start > 0 ? QStringLiteral("… ") : QString();
    qsizetype at = start;
    for (const Word& word : words) {
        if (!word.hit || word.start < start || word.end > end)
            continue;
        html += text.mid(at, word.start - at).toHtmlEscaped() + QStringLiteral("<b>") +
                text.mid(word.start, word.end - word.start).toHtmlEscaped() +
                QStringLiteral("</b>");
        at = word.end;
    }
    html += text.mid(at, end - at).toHtmlEscaped();
    return end < text.size() ? html + QStringLiteral(" …") : html;
}

QString homePage(const PropertyBag& bag) {
    try {
        return Crypt(bag.read(QStringLiteral("HomePage")));
    } catch (const HelpError&) {
        return QStringLiteral("index.html");
    }
}

} // namespace

QString pageText(const PropertyBag& bag, const QString& key) {
    QString value = bag.read(key);
    if (bag.read(QStringLiteral("Encrypt"), QStringLiteral("True")) == QLatin1String("True"))
        value = Crypt(value);
    // Stored values hold one byte per character; wider characters pass through as they are.
    for (QChar c : value)
        if (c.unicode() > 0xFF)
            return value;
    return QString::fromUtf8(value.toLatin1());
}

QString stem(const QString& word) {
    QString w = word.toLower();
    if (w.endsWith(QLatin1String("'s")))
        w.chop(2);
    const auto strip = [&w](const char* ending, const char* replacement, int keep) {
        const QLatin1String end(ending);
        if (!w.endsWith(end) || w.size() - end.size() < keep)
            return false;
        w.chop(end.size());
        w += QLatin1String(replacement);
        return true;
    };
    if (!strip("ies", "y", 2) && !strip("ied", "y", 2) && !strip("sses", "ss", 2) &&
        !strip("ches", "ch", 2) && !strip("shes", "sh", 2) && !strip("xes", "x", 2) &&
        !w.endsWith(QLatin1String("ss")) && !w.endsWith(QLatin1String("us")) &&
        !w.endsWith(QLatin1String("is")))
        strip("s", "", 3);
    if (strip("ing", "", 3) || strip("ed", "", 3)) {
        // "shipped" and "shipping" end as "ship"; "called" and "passed" keep their pair.
        const qsizetype n = w.size();
        if (n >= 2 && w[n - 1] == w[n - 2] && !QStringLiteral("aeioulsz").contains(w[n - 1]))
            w.chop(1);
    }
    if (w.size() > 3 && w.endsWith(QLatin1Char('e')))
        w.chop(1);
    return w;
}

QList<SearchHit> searchBook(const PropertyBag& bag, const QString& query) {
    const QList<Term> terms = termsOf(bag, query);
    if (terms.isEmpty())
        return {};
    const QString home = homePage(bag);
    const QString contents = QLatin1Char('/') + home.toLower();
    QList<SearchHit> hits;
    for (const auto& entry : bag.entries()) {
        const QString& key = entry.first;
        if (!key.startsWith(QLatin1Char('/')) || key == contents ||
            !(key.endsWith(QLatin1String(".html")) || key.endsWith(QLatin1String(".htm"))))
            continue;
        QString html;
        try {
            html = pageText(bag, key);
        } catch (const HelpError&) {
            continue; // a page that cannot be unscrambled cannot be shown either
        }
        const Page page(key, html, home);
        QSet<QString> found;
        int total = 0;
        for (const Term& term : terms) {
            const int score = termScore(page, term, found);
            if (score == 0) {
                total = 0;
                break;
            }
            total += score;
        }
        if (total > 0)
            hits.append({page.name, page.title, snippetOf(page.text, found), total});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const SearchHit& a, const SearchHit& b) {
        return a.score != b.score ? a.score > b.score : a.title < b.title;
    });
    return hits;
}

QByteArray searchPage(const PropertyBag& bag, const QString& query) {
    const QString home = homePage(bag);
    QString style;
    try {
        style = firstMatch(pageText(bag, QLatin1Char('/') + home),
                           QStringLiteral("(<style[^>]*>.*?</style>)"));
    } catch (const HelpError&) {
    }
    QString page =
        QStringLiteral(
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Search</title>%1"
            "<style>.hits li{margin-bottom:.8em}.hits p{margin:.2em 0 0;color:#444}</style>"
            "</head><body>\n<h1>Search the help</h1>\n<form action=\"search\" method=\"get\">"
            "<input name=\"q\" value=\"%2\" size=\"30\" autofocus> "
            "<input type=\"submit\" value=\"Search\"></form>\n")
            .arg(style, query.toHtmlEscaped());
    if (!wordsOf(query).isEmpty()) {
        const QList<SearchHit> hits = searchBook(bag, query);
        if (hits.isEmpty())
            page += QStringLiteral("<p>No page holds all of these words.</p>\n");
        else
            page += QStringLiteral("<ol class=\"hits\">\n");
        for (const SearchHit& hit : hits)
            page += QStringLiteral("<li><a href=\"%1\">%2</a><p>%3</p></li>\n")
                        .arg(hit.page.toHtmlEscaped(), hit.title.toHtmlEscaped(), hit.snippet);
        if (!hits.isEmpty())
            page += QStringLiteral("</ol>\n");
    }
    page += QStringLiteral("<p><a href=\"%1\">Contents</a></p></body></html>")
                .arg(home.toHtmlEscaped());
    return page.toUtf8();
}
