#include "hook/x86_decode.h"

#include <array>
#include <cstring>

namespace x86 {
namespace {

// What follows an opcode byte. Combinations are or-ed together.
enum Operand : std::uint8_t {
    kNone = 0,
    kModRM = 1 << 0,     // a ModR/M byte with its SIB and displacement
    kModRMReg = 1 << 1,  // a ModR/M byte whose mod field is ignored (MOV to/from CR, DR, TR)
    kImm8 = 1 << 2,
    kImm16 = 1 << 3,
    kImmZ = 1 << 4,      // 4 bytes, 2 with the operand-size prefix
    kMoffs = 1 << 5,     // 4 bytes, 2 with the address-size prefix
    kRel8 = 1 << 6,
    kRelZ = 1 << 7,      // 4 bytes, 2 with the operand-size prefix
};
// Opcodes that do not exist in 32-bit mode. Kept apart from the operand bits.
constexpr std::uint8_t kUndefined = 0xFF;

using Map = std::array<std::uint8_t, 256>;

constexpr void Fill(Map& map, int first, int last, std::uint8_t what) {
    for (int op = first; op <= last; ++op) map[op] = what;
}

constexpr Map OneByteMap() {
    Map m{};
    // The eight arithmetic groups 00-3F share one pattern of six opcodes; the
    // last two of each row are segment pushes, prefixes or BCD adjustments.
    for (int row = 0; row < 0x40; row += 8) {
        Fill(m, row, row + 3, kModRM);
        m[row + 4] = kImm8;
        m[row + 5] = kImmZ;
    }
    // 40-61: INC, DEC, PUSH, POP, PUSHA, POPA take nothing.
    m[0x62] = kModRM;  // BOUND (EVEX when mod = 11, see Decode)
    m[0x63] = kModRM;  // ARPL
    m[0x68] = kImmZ;
    m[0x69] = kModRM | kImmZ;
    m[0x6A] = kImm8;
    m[0x6B] = kModRM | kImm8;
    Fill(m, 0x70, 0x7F, kRel8);
    m[0x80] = m[0x82] = m[0x83] = kModRM | kImm8;
    m[0x81] = kModRM | kImmZ;
    Fill(m, 0x84, 0x8F, kModRM);
    m[0x9A] = kImmZ | kImm16;  // CALL ptr16:32
    Fill(m, 0xA0, 0xA3, kMoffs);
    m[0xA8] = kImm8;
    m[0xA9] = kImmZ;
    Fill(m, 0xB0, 0xB7, kImm8);
    Fill(m, 0xB8, 0xBF, kImmZ);
    m[0xC0] = m[0xC1] = kModRM | kImm8;
    m[0xC2] = kImm16;
    m[0xC4] = m[0xC5] = kModRM;  // LES, LDS (VEX when mod = 11)
    m[0xC6] = kModRM | kImm8;
    m[0xC7] = kModRM | kImmZ;
    m[0xC8] = kImm16 | kImm8;  // ENTER
    m[0xCA] = kImm16;
    m[0xCD] = kImm8;
    Fill(m, 0xD0, 0xD3, kModRM);
    m[0xD4] = m[0xD5] = kImm8;  // AAM, AAD
    Fill(m, 0xD8, 0xDF, kModRM);  // x87
    Fill(m, 0xE0, 0xE3, kRel8);  // LOOPNE, LOOPE, LOOP, JECXZ
    Fill(m, 0xE4, 0xE7, kImm8);
    m[0xE8] = m[0xE9] = kRelZ;
    m[0xEA] = kImmZ | kImm16;  // JMP ptr16:32
    m[0xEB] = kRel8;
    m[0xF6] = m[0xF7] = kModRM;  // TEST's immediate depends on the reg field
    m[0xFE] = m[0xFF] = kModRM;
    return m;
}

constexpr Map TwoByteMap() {
    Map m{};
    Fill(m, 0x00, 0x03, kModRM);
    m[0x04] = m[0x0A] = m[0x0C] = kUndefined;
    // 05-09, 0B (UD2), 0E (FEMMS) take nothing.
    m[0x0D] = kModRM;          // PREFETCH
    m[0x0F] = kModRM | kImm8;  // 3DNow!: the immediate byte is the real opcode
    Fill(m, 0x10, 0x1F, kModRM);
    Fill(m, 0x20, 0x23, kModRMReg);
    m[0x24] = m[0x26] = kModRMReg;  // MOV to/from test registers (386, 486)
    m[0x25] = m[0x27] = kUndefined;
    Fill(m, 0x28, 0x2F, kModRM);
    // 30-37 take nothing; 38 and 3A lead to the three-byte maps.
    m[0x39] = kUndefined;
    Fill(m, 0x3B, 0x3F, kUndefined);
    Fill(m, 0x40, 0x7F, kModRM);
    Fill(m, 0x70, 0x73, kModRM | kImm8);
    m[0x77] = kNone;  // EMMS
    m[0x7A] = m[0x7B] = kUndefined;
    Fill(m, 0x80, 0x8F, kRelZ);
    Fill(m, 0x90, 0x9F, kModRM);
    m[0xA3] = m[0xA5] = m[0xAB] = m[0xAD] = m[0xAE] = m[0xAF] = kModRM;
    m[0xA4] = m[0xAC] = kModRM | kImm8;
    // A6, A7: VIA PadLock, see DecodeTwoByte.
    Fill(m, 0xB0, 0xBF, kModRM);
    m[0xBA] = kModRM | kImm8;
    m[0xC0] = m[0xC1] = m[0xC3] = m[0xC7] = kModRM;
    m[0xC2] = m[0xC4] = m[0xC5] = m[0xC6] = kModRM | kImm8;
    // C8-CF: BSWAP takes nothing.
    Fill(m, 0xD0, 0xFF, kModRM);
    return m;
}

constexpr Map kOneByte = OneByteMap();
constexpr Map kTwoByte = TwoByteMap();

bool IsLegacyPrefix(std::uint8_t b) {
    switch (b) {
    case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:  // segments
    case 0x66: case 0x67:                                              // sizes
    case 0xF0: case 0xF2: case 0xF3:                                   // LOCK, REPNE, REP
        return true;
    default:
        return false;
    }
}

// Reads forward through the caller's buffer and never beyond it; a read past
// the end marks the instruction as cut off.
class Cursor {
public:
    Cursor(const std::uint8_t* code, std::size_t size) : code_(code), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }

    std::uint8_t Peek() {
        if (pos_ >= size_) {
            ok_ = false;
            return 0;
        }
        return code_[pos_];
    }
    std::uint8_t Next() {
        std::uint8_t b = Peek();
        if (ok_) ++pos_;
        return b;
    }
    void Skip(std::size_t n) {
        if (n > size_ - pos_) {
            ok_ = false;
            pos_ = size_;
        } else {
            pos_ += n;
        }
    }

private:
    const std::uint8_t* code_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

struct Sizes {
    bool operand16 = false;  // 66
    bool address16 = false;  // 67
    std::uint8_t repeat = 0; // the last of F2 / F3, which SSE opcodes read as part of the opcode
};

// The ModR/M byte with everything its addressing form pulls in: a SIB byte and
// a displacement. Returns the ModR/M byte.
std::uint8_t SkipModRM(Cursor& c, bool address16) {
    const std::uint8_t modrm = c.Next();
    const int mod = modrm >> 6, rm = modrm & 7;
    if (mod == 3) return modrm;
    if (address16) {
        if (mod == 1) c.Skip(1);
        else if (mod == 2 || rm == 6) c.Skip(2);
        return modrm;
    }
    if (rm == 4) {
        const std::uint8_t sib = c.Next();
        if (mod == 0 && (sib & 7) == 5) c.Skip(4);  // no base register: disp32
    }
    if (mod == 1) c.Skip(1);
    else if (mod == 2 || (mod == 0 && rm == 5)) c.Skip(4);
    return modrm;
}

void SkipImmediates(Cursor& c, std::uint8_t what, const Sizes& sizes, Instruction& ins) {
    if (what & kImm16) c.Skip(2);
    if (what & kImmZ) c.Skip(sizes.operand16 ? 2 : 4);
    if (what & kImm8) c.Skip(1);
    if (what & kMoffs) c.Skip(sizes.address16 ? 2 : 4);
    if (what & (kRel8 | kRelZ)) {
        ins.relOffset = static_cast<std::uint8_t>(c.pos());
        ins.relSize = (what & kRel8) ? 1 : (sizes.operand16 ? 2 : 4);
        c.Skip(ins.relSize);
    }
}

// The extended-prefix encodings all end in an opcode and a ModR/M form; map is
// the opcode map they select (1 = 0F, 2 = 0F 38, 3 = 0F 3A, 5/6 EVEX only,
// 8-10 XOP). False for a map that does not exist.
bool DecodeAfterVectorPrefix(Cursor& c, int map, bool xop, Instruction& ins) {
    const std::uint8_t op = c.Next();
    std::uint8_t what = kModRM;
    if (xop) {
        if (map == 8) what |= kImm8;
        else if (map == 10) what |= kImmZ;  // XOP map 10 carries a 32-bit immediate
        else if (map != 9) return false;
    } else if (map == 1) {
        if (op == 0x77) what = kNone;  // VZEROUPPER / VZEROALL
        else if ((op >= 0x70 && op <= 0x73) || op == 0xC2 || (op >= 0xC4 && op <= 0xC6)) what |= kImm8;
    } else if (map == 3) {
        what |= kImm8;
    } else if (map != 2 && map != 5 && map != 6) {
        return false;
    }
    if (what & kModRM) SkipModRM(c, false);
    SkipImmediates(c, what, Sizes{}, ins);
    return true;
}

enum class Vector { kNo, kValid, kInvalid };

// C4 / C5 (VEX), 62 (EVEX) and 8F (XOP) are older instructions unless the byte
// after them says otherwise: in 32-bit mode LES, LDS and BOUND need a memory
// operand, so a ModR/M of mod 11 cannot belong to them; POP Ev needs reg 0, so
// every ModR/M with another reg field reads as an XOP map of 8 or more. The
// cursor stands just past op; next is the byte there.
Vector DecodeVectorPrefixed(Cursor& c, std::uint8_t op, std::uint8_t next, Instruction& ins) {
    struct Form {
        int map;
        std::size_t payload;  // prefix bytes after op
        bool xop;
    };
    Form f{};
    switch (op) {
    case 0xC5: f = {1, 1, false}; break;
    case 0xC4: f = {next & 0x1F, 2, false}; break;
    case 0x62: f = {next & 0x07, 3, false}; break;
    case 0x8F: f = {next & 0x1F, 2, true}; break;
    default: return Vector::kNo;
    }
    if (f.xop ? f.map < 8 : (next & 0xC0) != 0xC0) return Vector::kNo;
    c.Skip(f.payload);
    return DecodeAfterVectorPrefix(c, f.map, f.xop, ins) ? Vector::kValid : Vector::kInvalid;
}

bool DecodeTwoByte(Cursor& c, const Sizes& sizes, Instruction& ins) {
    const std::uint8_t op = c.Next();
    if (op == 0x38 || op == 0x3A) {
        c.Next();  // the third opcode byte; every opcode of both maps has a ModR/M
        SkipModRM(c, sizes.address16);
        if (op == 0x3A) c.Skip(1);
        return true;
    }
    std::uint8_t what = kTwoByte[op];
    if (what == kUndefined) return false;
    // SSE4a EXTRQ / INSERTQ with two immediate bytes share their opcode with VMREAD.
    if (op == 0x78 && (sizes.operand16 || sizes.repeat == 0xF2)) what |= kImm16;
    // VIA PadLock (MONTMUL, XSHA*, XSTORE, XCRYPT*) exists only in register form.
    if (op == 0xA6 || op == 0xA7) {
        if ((c.Peek() & 0xC0) != 0xC0) return false;
        what = kModRMReg;
    }
    if (what & kModRMReg) c.Next();
    if (what & kModRM) SkipModRM(c, sizes.address16);
    SkipImmediates(c, what & ~(kModRM | kModRMReg), sizes, ins);
    return true;
}

bool DecodeOneByte(Cursor& c, std::uint8_t op, const Sizes& sizes, Instruction& ins) {
    std::uint8_t what = kOneByte[op];
    if (what & kModRM) {
        const std::uint8_t modrm = SkipModRM(c, sizes.address16);
        const int reg = (modrm >> 3) & 7;
        if (op == 0xF6 && reg < 2) what |= kImm8;
        if (op == 0xF7 && reg < 2) what |= kImmZ;
        if (op == 0xC7 && modrm == 0xF8) what = kRelZ;  // XBEGIN
    }
    SkipImmediates(c, what & ~kModRM, sizes, ins);
    return true;
}

}  // namespace

Instruction Decode(const std::uint8_t* code, std::size_t size) {
    Instruction ins;
    Cursor c(code, size);
    Sizes sizes;
    while (IsLegacyPrefix(c.Peek()) && c.pos() < kMaxLength) {
        const std::uint8_t p = c.Next();
        if (p == 0x66) sizes.operand16 = true;
        else if (p == 0x67) sizes.address16 = true;
        else if (p == 0xF2 || p == 0xF3) sizes.repeat = p;
    }
    if (!c.ok()) return {};
    ins.prefixCount = static_cast<std::uint8_t>(c.pos());

    const std::uint8_t op = c.Next();
    // Without a byte after op, the ordinary decoding reports the cut.
    const Vector vector = c.pos() < size ? DecodeVectorPrefixed(c, op, code[c.pos()], ins) : Vector::kNo;
    bool valid = vector == Vector::kValid;
    if (vector == Vector::kNo) {
        valid = op == 0x0F ? DecodeTwoByte(c, sizes, ins) : DecodeOneByte(c, op, sizes, ins);
    }
    if (!valid || !c.ok() || c.pos() > kMaxLength) return {};
    ins.length = static_cast<std::uint8_t>(c.pos());
    return ins;
}

namespace {

std::int32_t ReadDisplacement(const std::uint8_t* bytes, const Instruction& ins) {
    const std::uint8_t* p = bytes + ins.relOffset;
    switch (ins.relSize) {
    case 1:
        return static_cast<std::int8_t>(p[0]);
    case 2:
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | p[1] << 8));
    default: {
        std::uint32_t v = 0;
        std::memcpy(&v, p, 4);  // little-endian like the target
        return static_cast<std::int32_t>(v);
    }
    }
}

}  // namespace

std::uint32_t BranchTarget(const std::uint8_t* bytes, const Instruction& ins, std::uint32_t at) {
    const std::uint32_t next = at + ins.length;
    const std::uint32_t target = next + static_cast<std::uint32_t>(ReadDisplacement(bytes, ins));
    return ins.relSize == 2 ? (target & 0xFFFF) : target;
}

bool SetBranchTarget(std::uint8_t* bytes, const Instruction& ins, std::uint32_t at, std::uint32_t target) {
    const std::uint32_t delta = target - (at + ins.length);  // modulo 2^32, as the processor adds
    std::uint8_t* p = bytes + ins.relOffset;
    switch (ins.relSize) {
    case 1: {
        const auto d = static_cast<std::int32_t>(delta);
        if (d < -128 || d > 127) return false;
        p[0] = static_cast<std::uint8_t>(d);
        return true;
    }
    case 2:
        if (target > 0xFFFF) return false;
        p[0] = static_cast<std::uint8_t>(delta);
        p[1] = static_cast<std::uint8_t>(delta >> 8);
        return true;
    case 4:
        std::memcpy(p, &delta, 4);
        return true;
    default:
        return false;
    }
}

std::size_t Relocate(const std::uint8_t* code, std::size_t size, std::uint32_t from, std::uint32_t to,
                     std::uint8_t* out, std::size_t outSize) {
    const Instruction ins = Decode(code, size);
    if (!ins.valid() || ins.length > outSize) return 0;
    std::memcpy(out, code, ins.length);
    if (ins.relative() && !SetBranchTarget(out, ins, to, BranchTarget(code, ins, from))) return 0;
    return ins.length;
}

}  // namespace x86
