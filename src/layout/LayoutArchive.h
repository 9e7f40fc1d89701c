#pragma once
// Layout files: the JSON documents in which users exchange named region trees.
//
//   {"format": "orrindale.Framewell.layouts", "version": 1,
//    "layouts": [{"name": "Wide", "tree": {"axis": "columns", "ratio": 0.6,
//                                          "first": {"region": 0}, "second": {"region": 1}}}]}
//
// Reading is strict and bounded: the size is checked on the raw bytes before parsing, and
// every tree is limited in depth and node count, so no input can make an import run long or
// deep. Imported layouts get ids derived from their content, so importing the same file
// twice adds nothing. Knows nothing of panels, files on disk or where layouts are stored.

#include "layout/SnapLayout.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>

#include <exception>
#include <string>
#include <vector>

namespace fw {

class LayoutArchive {
public:
    static constexpr qsizetype maxBytes = 1048576;
    static constexpr int maxLayouts = 128;
    static constexpr int maxDepth = 15;
    static constexpr int maxNodes = 31;
    static constexpr int maxNameLength = 60;
    // What one name may hold beyond its 60 user-perceived characters, so that no name costs
    // much to check, store or draw. 32 code points per character take a base character and
    // the 30 combining marks in a row that stream-safe Unicode text allows (the longest emoji
    // sequences, a family with skin tones, take 11). 4096 UTF-8 bytes take 60 such emoji
    // families (41 bytes each) with room to spare.
    static constexpr int maxCodePointsPerCharacter = 32;
    static constexpr qsizetype maxNameBytes = 4096;
    static QString formatIdentifier() { return QStringLiteral("orrindale.Framewell.layouts"); }
    // Why a file over maxBytes is not imported (decode's refusal of such data).
    static QString tooLargeToImportMessage();

    // A refused export or import; `message` is the user-facing text.
    class ArchiveError : public std::exception {
    public:
        explicit ArchiveError(QString message);
        const QString& message() const { return message_; }
        QString description() const { return message_; }
        const char* what() const noexcept override { return utf8_.c_str(); }

    private:
        QString message_;
        std::string utf8_;
    };

    // Input that is not JSON at all: the JSON reader's own error, passed on unchanged.
    class JsonError : public std::exception {
    public:
        explicit JsonError(QJsonParseError error);
        const QJsonParseError& error() const { return error_; }
        QString description() const { return error_.errorString(); }
        const char* what() const noexcept override { return utf8_.c_str(); }

    private:
        QJsonParseError error_;
        std::string utf8_;
    };

    // The document for 1 to 128 layouts, pretty-printed with sorted keys. Throws ArchiveError.
    static QByteArray encode(const std::vector<SnapLayout>& layouts);
    // The layouts of a document in file order; the first fault met ends the import. Throws
    // ArchiveError, or JsonError for input that does not parse.
    static std::vector<SnapLayout> decode(const QByteArray& data);

    // One layout object of a document. Throws ArchiveError.
    static SnapLayout layout(const QJsonObject& object);
    // One node and its children; `node` is absent (undefined) when the key was missing.
    // `count` is the running node count of the whole tree. Throws ArchiveError.
    static RegionTree tree(const QJsonValue& node, int depth, int& count);
    // {"region": n} or {"axis", "ratio", "first", "second"}.
    static QJsonObject node(const RegionTree& tree);
    // The name trimmed of white space and newlines at both ends; 1 to 60 user-perceived
    // characters within the bounds above and no control or format characters. Throws
    // ArchiveError.
    static QString isValidName(const QString& name);
    // The length rules every stored or drawn name keeps (not trimmed, not checked for
    // blanks or controls): at most 60 user-perceived characters, maxCodePointsPerCharacter
    // per character and maxNameBytes in UTF-8. Looks at no more than maxNameBytes code units
    // whatever the text's length.
    static bool fitsNameBounds(const QString& text);

    // "user-import-" + the SHA-256 of the compact, key-sorted {"name", "tree"} object.
    static QString importedId(const QString& trimmedName, const RegionTree& tree);

    struct MergeResult {
        std::vector<SnapLayout> layouts;
        int added = 0;
        int skipped = 0;
    };
    // Adds imported layouts to a display's custom layouts: a layout already present (same id
    // or same name, and an equal tree) is skipped; a name that clashes ignoring case is
    // renamed " (imported)", " (imported 2)", … within 60 characters; a clashing id is
    // replaced by a fresh "user-<uuid>". Never fails.
    static MergeResult merge(const std::vector<SnapLayout>& imported, const std::vector<SnapLayout>& existing);

    // Text rules shared with the layout store.
    // User-perceived characters (grapheme clusters).
    static qsizetype characterCount(const QString& text);
    // The first `count` user-perceived characters.
    static QString leadingCharacters(const QString& text, qsizetype count);
    // Any Unicode scalar of the categories Cc or Cf.
    static bool containsControlCharacter(const QString& text);
};

} // namespace fw
