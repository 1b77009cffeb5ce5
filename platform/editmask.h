// Edit masks: the mask notation, FormatMaskText and the typing model of masked edits.
//
// A mask has up to three sections separated by ';': the mask itself, the save-literals flag
// ('0' = the stored value holds only the significant characters, anything else = literals are
// stored too; default 1) and the blank character shown in unfilled positions (default '_').
// Mask characters:
//   L letter required      l letter optional
//   A letter/digit req.    a letter/digit optional
//   C any character req.   c any character optional
//   0 digit required       9 digit optional          # digit, '+' or '-' optional
//   : time separator and / date separator (literals taken from the format settings)
//   > upper-case what follows, < lower-case what follows, <> no case conversion
//   \ the next character is a literal
//   ! optional characters are trimmed/filled on the leading side instead of the trailing side
//   _ a literal blank position (shown as a space)
// Any other character is a literal. Positions and cursors count characters (code points) of
// UTF-8 text, never bytes. Bytes that are not valid UTF-8 count as one character each and are
// carried through unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct TFormatSettings;

/// What a position of a mask takes.
enum class TMaskCharKind : std::uint8_t {
    Literal,      // fixed character, never typed over
    Letter,       // L, l
    AlphaNumeric, // A, a
    Any,          // C, c
    Digit,        // 0, 9
    DigitOrSign,  // #
};

enum class TMaskCase : std::uint8_t { None, Upper, Lower };

/// One character position of the edit text.
struct TMaskPosition {
    TMaskCharKind kind = TMaskCharKind::Literal;
    bool required = false; // L A C 0; always false for literals
    TMaskCase caseConversion = TMaskCase::None;
    char32_t literal = 0; // the character shown, for literals only
};

/// A parsed edit mask. Invariants: Length() == number of positions == length in characters
/// of every edit text this mask produces; InputCount() == number of non-literal positions.
/// A default-constructed mask (or one built from an empty text) is "no mask": IsEmpty().
class TEditMask {
public:
    TEditMask() = default;
    /// Parses with the process-wide format settings for ':' and '/'.
    explicit TEditMask(std::string_view editMask);
    TEditMask(std::string_view editMask, const TFormatSettings& fs);

    bool IsEmpty() const { return positions_.empty(); }
    const std::string& Source() const { return source_; }
    int Length() const { return static_cast<int>(positions_.size()); }
    /// Largest number of characters the edit holds (= Length()).
    int MaxLength() const { return Length(); }
    /// Number of positions the user types into (mask characters).
    int InputCount() const { return inputCount_; }
    const TMaskPosition& Position(int index) const; // ERangeError outside [0, Length())
    const std::vector<TMaskPosition>& Positions() const { return positions_; }
    bool IsLiteral(int index) const;
    bool SaveLiterals() const { return saveLiterals_; }
    bool Reverse() const { return reverse_; }
    char32_t Blank() const { return blank_; }
    /// The blank character as UTF-8 text.
    std::string BlankText() const;

    /// Whether `ch` may stand in input position `index` (false for literals and outside).
    /// A space is accepted by optional positions (it leaves them unfilled).
    bool Accepts(int index, char32_t ch) const;
    /// `ch` after the case conversion of position `index`.
    char32_t Convert(int index, char32_t ch) const;

    /// Previous/next input position: the first input position >= from (Length() if none),
    /// the last input position < before (-1 if none).
    int NextInput(int from) const;
    int PriorInput(int before) const;

    /// FormatMaskText: the value laid into the mask, unfilled positions shown as the blank
    /// character, case conversion applied. Characters are not checked against their positions.
    /// Save-literals 0: the value's characters fill the input positions in order (from the end
    /// with '!'), literals are inserted. Save-literals 1: the value carries the literals at their
    /// positions; a value character at a literal position is taken as that literal when it equals
    /// it or does not fit the next input position, otherwise the literal is inserted.
    /// Characters beyond the mask are kept after its end (before its start with '!').
    std::string Format(std::string_view value) const;

    /// The edit text shown for a value assigned to Text: as Format, but exactly Length()
    /// characters (surplus characters are dropped).
    std::string EditTextFromValue(std::string_view value) const;
    /// The edit text of an empty edit: blanks and literals.
    std::string EmptyEditText() const;
    /// The Text of an edit showing `editText`:
    /// - save-literals 0: literals removed; unfilled positions at the end (at the start with '!')
    ///   are trimmed; the other blank characters become spaces. "1 " under "99;0; " reads "1".
    /// - save-literals 1: all positions, literals included, blank characters as spaces, nothing
    ///   trimmed ("  /  /    " for an empty "!99/99/9999;1;_").
    std::string ValueFromEditText(std::string_view editText) const;
    /// `text` brought to exactly Length() characters: literal positions hold their literal,
    /// missing input positions the blank character.
    std::string Normalize(std::string_view editText) const;
    /// The first required input position that is unfilled (blank character, or a space where
    /// the position is not 'C'), or -1 when every required position is filled.
    int FirstMissingRequired(std::string_view editText) const;

private:
    std::string source_;
    std::vector<TMaskPosition> positions_;
    int inputCount_ = 0;
    bool saveLiterals_ = true;
    bool reverse_ = false;
    char32_t blank_ = U'_';
};

/// FormatMaskText(mask, value): TEditMask(mask).Format(value); an empty mask returns the value.
std::string FormatMaskText(std::string_view editMask, std::string_view value);

/// Outcome of a key or a deletion in an edit.
struct TMaskEditChange {
    bool accepted = false; // false: the key is refused; editText and cursor are the input ones
    std::string editText;  // the edit text afterwards (always Length() characters for a mask)
    int cursor = 0;        // caret position afterwards, in characters
};

/// Typing `key` (one or more UTF-8 characters; several behave as a paste, typed in turn, stopping
/// at the first refused one) into a masked edit showing `editText` with the selection
/// [selStart, selStart + selLength). The selection's input positions are blanked first; each
/// character goes to the first input position at or after the caret (literals are skipped), is
/// refused when it does not fit that position or the caret is past the last one, is
/// case-converted, and overwrites the position; the caret then moves past it and past any
/// literals that follow. A refused first character leaves everything unchanged.
/// Out-of-range selections are clamped; `editText` is normalised first.
/// A character that does not fit the next input position but equals a literal further on moves
/// the caret past that literal (typing "/" in a date jumps to the next part).
/// A space typed into an optional position leaves it unfilled (the blank character).
/// With an empty mask this is PlainTypeKey without a length limit.
TMaskEditChange MaskTypeKey(const TEditMask& mask, std::string_view editText, int selStart,
                            int selLength, std::string_view key);

/// Backspace (backspace = true) or Delete in a masked edit. With a selection: its input
/// positions become blank, caret at its start. Without: Backspace blanks the last input
/// position before the caret and puts the caret there; Delete blanks the first input position
/// at or after the caret and leaves the caret where it is. Nothing to delete: accepted = false.
TMaskEditChange MaskDeleteKey(const TEditMask& mask, std::string_view editText, int selStart,
                              int selLength, bool backspace);

/// A masked edit without a mask: `key` replaces the selection, insert mode, limited to
/// `maxLength` characters (0 = unlimited): as many of its characters as fit are inserted, and a
/// key of which none fits (or a control character) is refused.
TMaskEditChange PlainTypeKey(std::string_view text, int selStart, int selLength,
                             std::string_view key, int maxLength);
/// Backspace/Delete without a mask: removes the selection, or one character before/after.
/// (MaxLength limits only what the user types: a text assigned from code is kept whole.)
TMaskEditChange PlainDeleteKey(std::string_view text, int selStart, int selLength, bool backspace);

} // namespace platform
