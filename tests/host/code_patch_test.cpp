#include "hook/code_patch.h"

#include "hook/x86_decode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using patch::RemoveError;

constexpr std::uint32_t kTarget = 0x00401000, kTramp = 0x00402000, kReplacement = 0x00403000;

patch::Trampoline Pristine(std::uint32_t getterOffset = 0x100) {
    patch::Trampoline t;
    t.fill(0x90);
    t[2] = 0xE8;
    std::memcpy(&t[3], &getterOffset, 4);
    t[7] = 0xFF;
    t[8] = 0xE0;
    t[9] = 0xC3;
    return t;
}

TEST(CodePatch, InstallPatternIsRecognisedAndAnyOtherBytesAreNot) {
    EXPECT_TRUE(patch::HasInstallPattern(Pristine()));
    EXPECT_EQ(patch::GetterAddress(Pristine(0x100), kTramp), kTramp + 7 + 0x100);
    for (std::size_t at : {0u, 1u, 2u, 7u, 8u}) {
        patch::Trampoline t = Pristine();
        t[at] = 0xCC;
        EXPECT_FALSE(patch::HasInstallPattern(t)) << "byte " << at;
    }
}

struct Measure {
    Bytes code;
    std::size_t movable;
};

TEST(CodePatch, MovableLengthCoversWholeInstructionsAndStopsWhereFlowEnds) {
    const Measure cases[] = {
        {{0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x83}, 5},                     // hot-patch prologue
        {{0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10, 0x53}, 6},
        {{0x8D, 0x4C, 0x24, 0x04, 0x83, 0xE4, 0xF0}, 7},
        {{0x6A, 0x0C, 0x68, 0x78, 0x56, 0x34, 0x12, 0xE8}, 7},
        {{0xE9, 0x00, 0x01, 0x00, 0x00, 0xCC}, 5},                     // a jump: exactly enough
        {{0xFF, 0x25, 0x00, 0x10, 0x40, 0x00, 0xCC}, 6},
        {{0x2E, 0xFF, 0x25, 0x00, 0x10, 0x40, 0x00}, 7},
        {{0x33, 0xC0, 0xC2, 0x04, 0x00, 0x55}, 5},
        {{0x33, 0xC0, 0xC3, 0x55, 0x8B, 0xEC}, 0},                     // ends after 3 bytes
        {{0xEB, 0x10, 0x90, 0x90, 0x90, 0x90}, 0},
        {{0xFF, 0xE0, 0x90, 0x90, 0x90, 0x90}, 0},                     // jmp eax
        {{0x90, 0x90, 0x90, 0x90, 0x0F, 0x1F, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00}, 12},
        {{0x55, 0x0F, 0x04, 0x90, 0x90, 0x90}, 0},                     // undefined opcode
        {{0x55, 0x8B}, 0},                                              // cut off
    };
    for (const Measure& m : cases) {
        EXPECT_EQ(patch::MeasureMovable(m.code.data(), m.code.size()), m.movable) << ::testing::PrintToString(m.code);
    }
}

// Applies a plan to copies of the memory, then plans the removal from them.
struct Installed {
    Bytes target;
    patch::Trampoline tramp;
};

Installed Install(const Bytes& original) {
    patch::Installation plan;
    EXPECT_TRUE(patch::PlanInstallation(original.data(), original.size(), kTarget, kTramp, kReplacement, plan));
    Installed mem{original, plan.trampoline};
    std::memcpy(mem.target.data(), plan.head.data(), plan.moved);
    return mem;
}

TEST(CodePatch, InstallationMovesARelativeCallThatStillReachesItsDestination) {
    // call 0x401100; push ebp; mov ebp, esp
    const Bytes original = {0xE8, 0xFB, 0x00, 0x00, 0x00, 0x55, 0x8B, 0xEC, 0x90};
    const Installed mem = Install(original);

    // The trampoline: the moved call, still to 0x401100, then a jump back.
    const x86::Instruction call = x86::Decode(mem.tramp.data(), 5);
    ASSERT_TRUE(call.relative());
    EXPECT_EQ(x86::BranchTarget(mem.tramp.data(), call, kTramp), 0x401100u);
    std::uint32_t back = 0;
    ASSERT_TRUE(patch::IsRelativeJump(&mem.tramp[5], 5, kTramp + 5, &back));
    EXPECT_EQ(back, kTarget + 5);
    EXPECT_EQ(mem.tramp[patch::kCountByte], 5);

    // The target: a jump to the replacement, the rest untouched.
    std::uint32_t to = 0;
    ASSERT_TRUE(patch::IsRelativeJump(mem.target.data(), 5, kTarget, &to));
    EXPECT_EQ(to, kReplacement);
    EXPECT_TRUE(std::equal(original.begin() + 5, original.end(), mem.target.begin() + 5));

    // Taking it back restores the original bytes exactly.
    std::uint32_t found = 0;
    std::size_t moved = 0;
    ASSERT_EQ(patch::FindInstalledTarget(mem.tramp, kTramp, &found, &moved), RemoveError::kNone);
    EXPECT_EQ(found, kTarget);
    EXPECT_EQ(moved, 5u);
    std::array<std::uint8_t, patch::kMaxCount> back_bytes{};
    ASSERT_EQ(patch::PlanRemoval(mem.tramp, kTramp, mem.target.data(), mem.target.size(), kTarget, kReplacement,
                                 moved, back_bytes),
              RemoveError::kNone);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 5, back_bytes.begin()));
}

TEST(CodePatch, ABranchBetweenMovedInstructionsMovesWithThemAndOneOutOfReachFails) {
    // je +1 (to the mov, inside the moved bytes); nop; mov edi, edi; ...
    const Bytes inner = {0x74, 0x01, 0x90, 0x8B, 0xFF, 0x55};
    const Installed mem = Install(inner);
    EXPECT_EQ(mem.tramp[patch::kCountByte], 5);
    EXPECT_EQ(x86::BranchTarget(mem.tramp.data(), x86::Decode(mem.tramp.data(), 2), kTramp), kTramp + 3);

    // je to the target's rest: an 8-bit displacement cannot reach it from the trampoline.
    const Bytes outer = {0x74, 0x10, 0x55, 0x8B, 0xEC, 0x90};
    patch::Installation plan;
    EXPECT_FALSE(patch::PlanInstallation(outer.data(), outer.size(), kTarget, kTramp, kReplacement, plan));
}

TEST(CodePatch, RemovalReportsWhyItCannotTakeTheInterceptionBack) {
    const Bytes original = {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x90};
    std::uint32_t found = 0;
    std::size_t moved = 0;
    std::array<std::uint8_t, patch::kMaxCount> out{};

    // Never installed: the count byte is a no-op; or the count leads to no jump.
    EXPECT_EQ(patch::FindInstalledTarget(Pristine(), kTramp, &found, &moved), RemoveError::kNotInstalled);
    patch::Trampoline wrongCount = Install(original).tramp;
    wrongCount[patch::kCountByte] = 4;
    EXPECT_EQ(patch::FindInstalledTarget(wrongCount, kTramp, &found, &moved), RemoveError::kNotInstalled);
    wrongCount[patch::kCountByte] = 0;
    EXPECT_EQ(patch::FindInstalledTarget(wrongCount, kTramp, &found, &moved), RemoveError::kNotInstalled);

    Installed mem = Install(original);
    ASSERT_EQ(patch::FindInstalledTarget(mem.tramp, kTramp, &found, &moved), RemoveError::kNone);
    // The target no longer begins with a jump (taken back already).
    EXPECT_EQ(patch::PlanRemoval(mem.tramp, kTramp, original.data(), original.size(), kTarget, kReplacement, moved,
                                 out),
              RemoveError::kNoJump);
    // It jumps, but not to this replacement.
    EXPECT_EQ(patch::PlanRemoval(mem.tramp, kTramp, mem.target.data(), mem.target.size(), kTarget, kReplacement + 1,
                                 moved, out),
              RemoveError::kOtherReplacement);
    // The moved bytes no longer decode to whole instructions.
    mem.tramp[0] = 0x0F;
    mem.tramp[1] = 0x04;
    EXPECT_EQ(patch::PlanRemoval(mem.tramp, kTramp, mem.target.data(), mem.target.size(), kTarget, kReplacement,
                                 moved, out),
              RemoveError::kCannotMoveBack);
}

}  // namespace
