// Long, repetitive runs of one kind of work, each over code that a quicker
// case covers too: 200,000 random messages to the real window procedure,
// 50,000 size messages, a minute of confirmed colour dialogs and 20 paints of
// 200,000 records. Each counts the GDI objects a round of the same work
// leaves behind after a first round. CTest labels this program volume (and
// the colour dialogs, a CTest test of their own, volume-dialogs), so that the
// second builds and the mutation run can leave it out.
#include "test_support.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/resource.h"
#include "model/drawing.h"
#include "paint/backbuffer.h"
#include "paint/gdi.h"
#include "tools/colour.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class VolumeTest : public MainWindowTest {};

// ---------------------------------------------------------------- fuzzing

// The seven tool commands, Clear and the unlabelled Colours item.
std::vector<unsigned> HandledCommands()
{
    std::vector<unsigned> commands;
    for (const Tool& tool : tools)
        commands.push_back(tool.command);
    commands.push_back(CmdClear);
    commands.push_back(CmdColourBlank);
    return commands;
}

// Commands that open a modal dialog or end the window.
bool LeftOut(unsigned command)
{
    return command == CmdAbout || command == CmdChooseColour || command == CmdExit;
}

uint64_t FuzzSeed()
{
    const char* text = std::getenv("QUILLMARK_FUZZ_SEED");
    return text ? std::strtoull(text, nullptr, 0) : 0x5EED2024ull;
}

// A point in or near the client area most of the time, anything at all otherwise.
LPARAM RandomPoint(Random& random)
{
    if (random.Chance(90)) {
        const unsigned x = random.Below(400);
        return MAKELPARAM(x, random.Below(300));
    }
    return static_cast<LPARAM>(random.Next());
}

WPARAM RandomButtons(Random& random)
{
    if (random.Chance(70))
        return MK_LBUTTON | (random.Next() & (MK_SHIFT | MK_CONTROL | MK_RBUTTON));
    return static_cast<WPARAM>(random.Next());
}

WPARAM RandomCommand(Random& random)
{
    static const std::vector<unsigned> handled = HandledCommands();
    unsigned command;
    if (random.Chance(80)) {
        command = handled[random.Below(static_cast<unsigned>(handled.size()))];
    } else {
        do {
            command = random.Below(0x10000);
        } while (LeftOut(command));
    }
    // Any notification code in the high word, any bits above it.
    return static_cast<WPARAM>((random.Next() & ~static_cast<uint64_t>(0xFFFF)) | command);
}

TEST_F(VolumeTest, RandomMessagesLeaveConsistentListsAndAWorkingPaint)
{
    const uint64_t seed = FuzzSeed();
    // 200,000 messages in all, the first round included.
    const int rounds = 4, perRound = 40000;
    std::printf("message fuzzer: seed 0x%llX (set QUILLMARK_FUZZ_SEED to repeat)\n",
                static_cast<unsigned long long>(seed));
    RecordProperty("fuzz_seed", std::to_string(seed));
    ResizeClient(400, 300);
    Send(WM_PAINT);

    Random random(seed);
    const Clock::time_point start = Clock::now();
    int paints = 0, sizes = 0, resizes = 0;
    const int growth = GdiGrowth(rounds, [&](int round) {
        for (int i = round * perRound; i < (round + 1) * perRound && !HasFatalFailure(); ++i) {
            // Paints and changes of size are rare: a segment out to 65535 costs
            // the platform milliseconds to draw.
            unsigned pick = random.Below(1000);
            if (pick < 450) {
                const WPARAM buttons = RandomButtons(random);
                Send(WM_MOUSEMOVE, buttons, RandomPoint(random));
            } else if (pick < 600) {
                const WPARAM buttons = RandomButtons(random);
                Send(WM_LBUTTONDOWN, buttons, RandomPoint(random));
            } else if (pick < 750) {
                const WPARAM buttons = static_cast<WPARAM>(random.Next());
                Send(WM_LBUTTONUP, buttons, RandomPoint(random));
            } else if (pick < 900) {
                const WPARAM command = RandomCommand(random);
                Send(WM_COMMAND, command, static_cast<LPARAM>(random.Next()));
            } else if (pick < 910) {
                const WPARAM wParam = static_cast<WPARAM>(random.Next());
                Send(WM_PAINT, wParam, static_cast<LPARAM>(random.Next()));
                ++paints;
            } else if (pick < 925) {
                // Sizes from 0 to the largest a size message can carry.
                LPARAM size;
                if (random.Chance(50)) {
                    const unsigned width = random.Below(0x10000);
                    size = MAKELPARAM(width, random.Below(0x10000));
                } else {
                    size = static_cast<LPARAM>(random.Next());
                }
                Send(WM_SIZE, random.Below(5), size);
                ++sizes;
            } else if (pick < 930) {
                // A real change of size, down to nothing.
                const int width = static_cast<int>(random.Below(640));
                ResizeClient(width, static_cast<int>(random.Below(480)));
                ++resizes;
            } else {
                const WPARAM buttons = RandomButtons(random);
                Send(WM_MOUSEMOVE, buttons, RandomPoint(random));
            }
            if (i % 1000 == 999) {
                ASSERT_TRUE(CountsMatchLists()) << "after message " << i;
                PumpMessages();
            }
            // Keeps memory and the cost of each paint bounded.
            if (i % 100 == 99)
                Command(CmdClear);
        }
        PumpMessages();
    });
    std::printf("message fuzzer: %d messages (%d paints, %d size messages, %d resizes) in %.1f s\n",
                (rounds + 1) * perRound, paints, sizes, resizes, SecondsSince(start));

    EXPECT_TRUE(CountsMatchLists());
    // A leak per paint, size message or shape leaves hundreds a round.
    EXPECT_EQ(0, growth) << "GDI objects left behind by a round of " << perRound
                         << " messages (the median of " << rounds << ")";

    Command(CmdClear);
    ShowKnownPicture("after the fuzzing");
}

// ---------------------------------------------------------------- GDI leaks

TEST_F(VolumeTest, SizeMessagesLeaveNoGdiObjectsBehind)
{
    // 50,000 size messages in all, the first round included.
    const int rounds = 4, perRound = 10000;
    const int clientSizes[][2] = {{160, 120}, {1, 1}, {0, 0}, {320, 200}, {90, 400}};
    DrawKnownPicture();

    const int growth = GdiGrowth(rounds, [&](int) {
        for (int i = 0; i < perRound; ++i) {
            if (i % 1000 == 0) {
                const int* size = clientSizes[(i / 1000) % 5];
                ResizeClient(size[0], size[1]);
            }
            // Most size messages find no paint pending; every hundredth paints.
            if (i % 100 != 0)
                Validate();
            Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(i % 2000, i % 1500));
        }
        ResizeClient(400, 300);
        Send(WM_PAINT);
    });

    EXPECT_EQ(0, growth) << "GDI objects left behind by a round of " << perRound
                         << " size messages (the median of " << rounds << ")";
    ExpectBackBufferCoversClient("after the size messages");
    ExpectKnownPicture("after the size messages");
}

class ColourVolumeTest : public MainWindowTest {};

TEST_F(ColourVolumeTest, ConfirmedColourChoicesLeaveNoGdiObjectsBehind)
{
    // Each real dialog takes milliseconds under Wine: as many as fit in a
    // minute, in six rounds of ten seconds.
    const int rounds = 5;
    const double roundSeconds = 10;
    const int atLeast = 200;

    DialogDriver confirm([](HWND dialog) { ClickButton(dialog, IDOK); });
    const Clock::time_point start = Clock::now();
    int choices = 0;
    COLORREF chosen = 0;
    const int growth = GdiGrowth(rounds, [&](int) {
        const Clock::time_point roundStart = Clock::now();
        while (SecondsSince(roundStart) < roundSeconds) {
            // The dialog opens on the current colour; OK confirms it.
            chosen = RGB(choices * 7 % 256, choices * 13 % 256, choices * 29 % 256);
            currentColour = chosen;
            Command(CmdChooseColour);
            ++choices;
        }
    });
    const double seconds = SecondsSince(start);
    std::printf("colour choices: %d confirmed dialogs in %.1f s (%.2f ms each)\n", choices, seconds,
                seconds * 1000 / choices);
    RecordProperty("colour_choices", choices);

    EXPECT_EQ(choices, confirm.acted());
    EXPECT_EQ(0, confirm.forcedClosed());
    EXPECT_EQ(0, growth) << "GDI objects left behind by " << roundSeconds
                         << " s of colour choices (the median of " << rounds << ")";
    EXPECT_TRUE(IsSolidBrushOf(currentBrush, chosen));
    EXPECT_EQ(Rgb{chosen}, Rgb{currentColour});
    if (choices < atLeast)
        GTEST_SKIP() << "only " << choices << " colour dialogs in " << seconds
                     << " s on this machine; " << atLeast << " are wanted to count leaks";
}

// ---------------------------------------------------------------- painting

TEST_F(ProgramStateTest, LargeSceneRepaintedManyTimesLeavesNoObjectBehind)
{
    // Small shapes of every kind, packed into the left part of the canvas,
    // then one marker of each kind on the right, where nothing else lies.
    const int records = 200000;
    const int paints = 20;
    for (int i = 0; i < records / 5 && !HasFatalFailure(); ++i) {
        const int x = (i * 7) % 180, y = (i * 13) % 130;
        const COLORREF colour = RGB(i % 200, (i * 3) % 200, (i * 7) % 200);
        AddShapes({{R, x, y, x + 12, y + 9, colour, i % 2 == 0},
                   {E, x, y, x + 11, y + 8, colour, i % 2 == 1},
                   {L, x, y, x + 15, y + 6, colour},
                   {P, x, y, x + 3, y + 2, colour},
                   {X, x + 2, y, x + 4, y + 3, colour}});
    }
    AddShapes({{R, 220, 10, 260, 50, red, true},
               {E, 270, 10, 311, 51, blue, true},
               {L, 220, 80, 300, 80, green},
               {P, 220, 100, 300, 100, orange},
               {X, 230, 30, 250, 30, magenta}});
    ASSERT_EQ(records + 5, RecordCount());

    MemoryCanvas canvas(320, 150);
    std::vector<COLORREF> first;
    const Clock::time_point start = Clock::now();
    const int growth = GdiGrowth(paints, [&](int round) {
        PaintInto(canvas, 320, 150);
        if (round == 0)
            first = canvas.All(320, 150);
    });
    const double seconds = SecondsSince(start);
    RecordProperty("paint_seconds", std::to_string(seconds));
    std::printf("%d records painted %d times in %.1f s\n", records, paints + 1, seconds);

    EXPECT_EQ(0, growth) << "GDI objects left behind by a paint (the median of " << paints << ")";
    Pen pen(CreatePen(PS_SOLID, 4, red));
    EXPECT_NE(nullptr, pen.get()) << "no pen can be made any more";

    const Probe markers[] = {{240, 45, red},
                             {240, 30, white, "eraser marker"},
                             {290, 30, blue},
                             {260, 80, green},
                             {260, 100, orange},
                             {260, 130, white},
                             {205, 60, white, "between the scene and the markers"}};
    for (const Probe& p : markers)
        EXPECT_EQ(Rgb{p.colour}, Rgb{canvas.At(p.x, p.y)}) << p.what;
    EXPECT_GT(canvas.Count(white, {0, 0, 200, 150}), 0);
    EXPECT_LT(canvas.Count(white, {0, 0, 200, 150}), 200 * 150) << "the packed shapes are missing";
    const std::vector<COLORREF> last = canvas.All(320, 150);
    int differing = 0;
    for (size_t i = 0; i < first.size(); ++i)
        differing += first[i] != last[i];
    EXPECT_EQ(0, differing) << "pixels of the last paint that differ from the first";
}

} // namespace
