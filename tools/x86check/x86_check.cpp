// Compares the launcher's x86 instruction decoder with binutils' objdump over the
// code sections of 32-bit PE (and ELF) files: every instruction objdump lists is decoded
// from the file's own bytes at the same address, and its length and whether it
// carries a relative displacement must agree. objdump's "(bad)" lines are not
// compared (it prints them for bytes that are no instruction), nor are its
// ".byte" lines (bytes it shows as data: an instruction that would run past the
// section's end or into the next symbol); the figures say how many of those the
// decoder reported as cut off at a section's end.
//
// One difference is explained rather than counted: objdump shows FWAIT (9B)
// joined to the x87 instruction after it ("fstsw %ax" for 9B DF E0), the
// assembler's name for that pair. The processor runs them as two instructions,
// and the decoder says so; a boundary between them is a real one.
//
//   x86_check [--objdump PROGRAM] [--show N] [--raw] FILE...
//   x86_check [--objdump PROGRAM] [--show N] --sweep SCRATCH-FILE
//
// --raw takes the files as bare 32-bit code; --sweep writes a synthetic file of
// every opcode with each prefix and addressing form and checks that.
//
// Prints one line of figures per file; exits 1 when any instruction disagrees,
// 2 when a file cannot be read or disassembled.
#include "hook/x86_decode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Section {
    std::uint32_t va = 0;  // absolute: image base + relative address
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;  // what objdump lists: the file bytes up to the section's loaded size
};

struct PeImage {
    std::vector<std::uint8_t> bytes;
    std::vector<Section> sections;

    // The file bytes from address va to the end of its section; null when none.
    const std::uint8_t* At(std::uint32_t va, std::size_t* avail) const {
        for (const Section& s : sections) {
            if (va - s.va < s.rawSize) {
                const std::size_t offset = va - s.va;
                *avail = s.rawSize - offset;
                return bytes.data() + s.rawOffset + offset;
            }
        }
        return nullptr;
    }
};

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at + 4 > b.size()) return 0;
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at + 2 > b.size()) return 0;
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// 32-bit ELF files (the i386 Linux libraries carry SSE, AVX and AVX-512 code
// that the Windows DLLs lack): the sections that hold program bytes.
bool LoadElf32(PeImage& image) {
    const auto& b = image.bytes;
    if (b.size() < 52 || U32(b, 0) != 0x464C457F || b[4] != 1 || U16(b, 18) != 3) return false;  // ELF32, i386
    const std::uint32_t table = U32(b, 32);
    const unsigned entry = U16(b, 46), count = U16(b, 48);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t h = table + static_cast<std::size_t>(i) * entry;
        if (h + 40 > b.size()) return false;
        if (U32(b, h + 4) != 1 /* SHT_PROGBITS */) continue;
        Section s;
        s.va = U32(b, h + 12);
        s.rawOffset = U32(b, h + 16);
        s.rawSize = U32(b, h + 20);
        if (s.rawOffset > b.size() || s.rawSize > b.size() - s.rawOffset) return false;
        image.sections.push_back(s);
    }
    return true;
}

bool LoadPe(const std::string& path, PeImage& pe) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    pe.bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (U32(pe.bytes, 0) == 0x464C457F) return LoadElf32(pe);
    const std::uint32_t nt = U32(pe.bytes, 0x3C);
    if (U32(pe.bytes, nt) != 0x00004550 || U16(pe.bytes, nt + 4) != 0x014C) return false;  // "PE", i386
    const unsigned count = U16(pe.bytes, nt + 6);
    const std::size_t optional = nt + 24;
    const std::uint32_t imageBase = U32(pe.bytes, optional + 28);
    std::size_t header = optional + U16(pe.bytes, nt + 20);
    for (unsigned i = 0; i < count; ++i, header += 40) {
        Section s;
        s.va = imageBase + U32(pe.bytes, header + 12);
        const std::uint32_t loaded = U32(pe.bytes, header + 8);
        s.rawSize = U32(pe.bytes, header + 16);
        if (loaded != 0 && loaded < s.rawSize) s.rawSize = loaded;
        s.rawOffset = U32(pe.bytes, header + 20);
        if (s.rawOffset > pe.bytes.size() || s.rawSize > pe.bytes.size() - s.rawOffset) return false;
        pe.sections.push_back(s);
    }
    return true;
}

struct Listed {
    std::uint32_t va = 0;
    std::vector<std::uint8_t> bytes;
    std::string text;
};

// "  6f241009:\t83 ec 0c             \tsub    $0xc,%esp"
bool ParseLine(const std::string& line, Listed& out) {
    const std::size_t colon = line.find(":\t");
    if (colon == std::string::npos) return false;
    char* end = nullptr;
    out.va = static_cast<std::uint32_t>(std::strtoul(line.c_str(), &end, 16));
    if (end != line.c_str() + colon) return false;
    const std::size_t tab = line.find('\t', colon + 2);
    const std::string hex = line.substr(colon + 2, tab == std::string::npos ? std::string::npos : tab - colon - 2);
    out.text = tab == std::string::npos ? "" : line.substr(tab + 1);
    out.bytes.clear();
    std::istringstream words(hex);
    std::string word;
    while (words >> word) out.bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    return !out.bytes.empty();
}

const char* const kPrefixWords[] = {"data16", "data32", "addr16", "addr32", "rep", "repz", "repnz", "repe",
                                    "repne",  "lock",   "cs",     "ds",     "es",  "ss",   "fs",    "gs",
                                    "bnd",    "notrack", "xacquire", "xrelease"};

bool IsPrefixWord(const std::string& w) {
    for (const char* p : kPrefixWords)
        if (w == p) return true;
    return false;
}

// objdump's own answer: a near branch with a direct operand carries a relative
// displacement ("call 0x401000", "jne,pt ...", "xbegin ..."); "call *%eax",
// "ljmp $0x10,$0x0" do not.
bool ObjdumpSaysRelative(const std::string& text) {
    std::istringstream words(text);
    std::string mnemonic, operand;
    while (words >> mnemonic && IsPrefixWord(mnemonic)) {
    }
    words >> operand;
    const std::size_t comma = mnemonic.find(',');
    if (comma != std::string::npos) mnemonic.resize(comma);  // branch hints
    if (operand.empty() || operand[0] == '*') return false;
    static const char* const kBranches[] = {"call", "calll", "callw", "jmp", "jmpl", "jmpw", "loop", "loopl",
                                            "loopw", "loope", "loopel", "loopew", "loopne", "loopnel",
                                            "loopnew", "jcxz", "jecxz", "xbegin", "xbeginl", "xbeginw"};
    for (const char* b : kBranches)
        if (mnemonic == b) return true;
    // The conditional jumps: j + condition, optionally with a size suffix.
    return mnemonic.size() >= 2 && mnemonic[0] == 'j' && mnemonic != "jmp" && mnemonic.find("mp") == std::string::npos;
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x ", p[i]);
        s += buf;
    }
    return s;
}

struct Figures {
    unsigned long compared = 0, relative = 0, bad = 0, cut = 0, data = 0, joinedWait = 0, lengthDiff = 0, relativeDiff = 0;
};

bool JoinedWait(const std::uint8_t* code, std::size_t avail, const x86::Instruction& mine, std::size_t listed) {
    if (code[0] != 0x9B || mine.length != 1 || listed < 2) return false;
    return x86::Decode(code + 1, avail - 1).length == listed - 1;
}

int CheckFile(const std::string& objdump, const std::string& path, bool raw, int show, Figures& total) {
    PeImage pe;
    if (raw) {
        std::ifstream in(path, std::ios::binary);
        pe.bytes.assign(std::istreambuf_iterator<char>(in), {});
        pe.sections.push_back({0, 0, static_cast<std::uint32_t>(pe.bytes.size())});
    } else if (!LoadPe(path, pe)) {
        std::fprintf(stderr, "%s: not a readable i386 PE or ELF file\n", path.c_str());
        return 2;
    }
    const std::string what = raw ? " -D -b binary -m i386 " : " -d ";
    const std::string command = objdump + what + "-z --insn-width=16 '" + path + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return 2;
    Figures f;
    std::map<std::string, unsigned long> kinds;
    std::string line;
    char chunk[4096];
    Listed ins;
    while (std::fgets(chunk, sizeof chunk, pipe)) {
        line += chunk;
        if (line.empty() || line.back() != '\n') continue;
        line.pop_back();
        const bool parsed = ParseLine(line, ins);
        line.clear();
        if (!parsed) continue;
        if (ins.text.find("(bad)") != std::string::npos) {
            ++f.bad;
            continue;
        }
        const bool cutOff = ins.text.rfind(".byte", 0) == 0;
        std::size_t avail = 0;
        const std::uint8_t* code = pe.At(ins.va, &avail);
        if (!code || avail < ins.bytes.size() || std::memcmp(code, ins.bytes.data(), ins.bytes.size()) != 0) {
            std::fprintf(stderr, "%s: %08x: listing and file differ\n", path.c_str(), ins.va);
            ::pclose(pipe);
            return 2;
        }
        const x86::Instruction mine = x86::Decode(code, avail);
        if (cutOff) {
            // objdump also lists bytes as data where an instruction would run
            // into the next symbol; only the section's end must stop the decoder.
            if (mine.valid()) ++f.data;
            else ++f.cut;
            continue;
        }
        const bool theirsRelative = ObjdumpSaysRelative(ins.text);
        ++f.compared;
        if (theirsRelative) ++f.relative;
        if (JoinedWait(code, avail, mine, ins.bytes.size())) {
            ++f.joinedWait;
            continue;
        }
        const bool lengthDiffers = mine.length != ins.bytes.size();
        const bool relativeDiffers = !lengthDiffers && mine.relative() != theirsRelative;
        if (lengthDiffers) ++f.lengthDiff;
        if (relativeDiffers) ++f.relativeDiff;
        if ((lengthDiffers || relativeDiffers) && show > 0) {
            --show;
            std::printf("  %08x: %-48s objdump %zu%s, decoder %u%s  | %s\n", ins.va,
                        Hex(code, ins.bytes.size() > mine.length ? ins.bytes.size() : mine.length).c_str(),
                        ins.bytes.size(), theirsRelative ? " rel" : "", mine.length, mine.relative() ? " rel" : "",
                        ins.text.c_str());
        }
    }
    const int status = ::pclose(pipe);
    if (status != 0 && f.compared == 0) {
        std::fprintf(stderr, "%s: objdump failed\n", path.c_str());
        return 2;
    }
    std::printf("%s: %lu instructions compared (%lu with a relative displacement), %lu cut off at a section end, "
                "%lu FWAIT pairs, %lu other data bytes and %lu (bad) skipped; length differs %lu, relative differs %lu\n",
                path.c_str(), f.compared, f.relative, f.cut, f.joinedWait, f.data, f.bad, f.lengthDiff, f.relativeDiff);
    total.compared += f.compared;
    total.relative += f.relative;
    total.bad += f.bad;
    total.cut += f.cut;
    total.joinedWait += f.joinedWait;
    total.data += f.data;
    total.lengthDiff += f.lengthDiff;
    total.relativeDiff += f.relativeDiff;
    return f.lengthDiff + f.relativeDiff == 0 ? 0 : 1;
}

// Every opcode of every map, behind the prefixes that change lengths, with
// each addressing form: a synthetic file that real binaries cannot match for
// breadth (the i386 libraries here hold no VEX, EVEX or XOP code at all). Each
// case ends in a run of NOPs, so a disagreement cannot spill into the next.
std::vector<std::uint8_t> SweepBytes() {
    using Bytes = std::vector<std::uint8_t>;
    // ModR/M forms: register, [disp32], SIB without base, SIB with disp8 and
    // with disp32, reg field 7; with the address-size prefix the 16-bit forms:
    // [disp16], [bp+disp8], [bp+disp16], [si].
    const std::vector<Bytes> forms32 = {{0xC0}, {0x05}, {0x04, 0x05}, {0x44, 0x24}, {0x84, 0x24}, {0xF8}};
    const std::vector<Bytes> forms16 = {{0xC0}, {0x06}, {0x46}, {0x86}, {0x04}, {0xF8}};
    const Bytes legacy[] = {{}, {0x66}, {0x67}, {0xF3}, {0xF2}, {0x3E}, {0x66, 0x67}, {0xF0}};
    std::vector<Bytes> leads;  // everything that comes before the opcode byte
    for (const Bytes& p : legacy) {
        leads.push_back(p);
        for (std::uint8_t esc : {0x38, 0x3A}) {
            Bytes b = p;
            b.push_back(0x0F);
            if (esc == 0x38) leads.push_back(b);  // 0F alone once
            b.push_back(esc);
            leads.push_back(b);
        }
    }
    for (std::uint8_t vvvv : {0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0x7D}) leads.push_back({0xC5, vvvv});
    for (std::uint8_t map : {0xE1, 0xE2, 0xE3, 0xE4, 0x61})
        for (std::uint8_t w : {0x79, 0xF9}) leads.push_back({0xC4, map, w});
    for (std::uint8_t map : {0xF1, 0xF2, 0xF3, 0xF5, 0xF6, 0xF4, 0xB1})
        for (std::uint8_t p1 : {0x7C, 0xFD}) leads.push_back({0x62, map, p1, 0x48});
    for (std::uint8_t map : {0xE8, 0xE9, 0xEA, 0xEB}) leads.push_back({0x8F, map, 0x78});

    Bytes out;
    for (const Bytes& lead : leads) {
        for (int op = 0; op < 256; ++op) {
            if (lead.empty() && op == 0x0F) continue;  // the escapes have their own leads
            const bool address16 = std::find(lead.begin(), lead.end(), 0x67) != lead.end();
            for (const Bytes& form : address16 ? forms16 : forms32) {
                out.insert(out.end(), lead.begin(), lead.end());
                out.push_back(static_cast<std::uint8_t>(op));
                out.insert(out.end(), form.begin(), form.end());
                for (std::uint8_t filler = 0x11; filler <= 0x88; filler += 0x11) out.push_back(filler);
                out.insert(out.end(), 16, 0x90);
            }
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string objdump = "objdump";
    int show = 20;
    std::vector<std::string> files;
    bool raw = false;
    std::string sweepFile;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--objdump" && i + 1 < argc) objdump = argv[++i];
        else if (a == "--show" && i + 1 < argc) show = std::atoi(argv[++i]);
        else if (a == "--raw") raw = true;
        else if (a == "--sweep" && i + 1 < argc) sweepFile = argv[++i];
        else files.push_back(a);
    }
    if (!sweepFile.empty()) {
        const std::vector<std::uint8_t> bytes = SweepBytes();
        std::ofstream(sweepFile, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
        files.push_back(sweepFile);
        raw = true;
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: x86_check [--objdump PROGRAM] [--show N] [--raw] FILE...\n"
                             "       x86_check [--objdump PROGRAM] [--show N] --sweep SCRATCH-FILE\n");
        return 2;
    }
    Figures total;
    int result = 0;
    for (const std::string& f : files) {
        const int r = CheckFile(objdump, f, raw, show, total);
        if (r > result) result = r;
    }
    if (files.size() > 1) {
        std::printf("total: %zu files, %lu instructions compared (%lu relative), %lu cut off, %lu FWAIT pairs, "
                    "%lu other data bytes and %lu (bad) skipped; length differs %lu, relative differs %lu\n",
                    files.size(), total.compared, total.relative, total.cut, total.joinedWait, total.data, total.bad,
                    total.lengthDiff, total.relativeDiff);
    }
    return result;
}
