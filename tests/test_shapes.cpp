// The shape records: field order, constructor parameter order, and the one
// record that touches the window.
#include "test_support.h"

#include <cstring>

#include "model/shapes.h"

namespace {

const COLORREF red = RGB(255, 0, 0);

// The four coordinates as they lie in memory, first field first. The records
// are plain data with no base class, so their fields start at offset 0.
template <class Record>
void StoredCoordinates(const Record& record, int (&fields)[4])
{
    static_assert(sizeof(Record) >= 4 * sizeof(int), "four coordinates first");
    std::memcpy(fields, static_cast<const void*>(&record), sizeof(fields));
}

} // namespace

TEST(Shapes, RectanglesTakeAndStoreYBeforeX)
{
    Rectangles r(10, 20, 30, 40, red, true, RECT{}, nullptr);
    EXPECT_EQ(10, r.getStartY());
    EXPECT_EQ(20, r.getStartX());
    EXPECT_EQ(40, r.getEndX());
    EXPECT_EQ(30, r.getEndY());
    EXPECT_EQ(red, r.getColour());
    EXPECT_TRUE(r.getFilled());

    int fields[4];
    StoredCoordinates(r, fields);
    EXPECT_EQ(10, fields[0]) << "startY";
    EXPECT_EQ(20, fields[1]) << "startX";
    EXPECT_EQ(40, fields[2]) << "endX";
    EXPECT_EQ(30, fields[3]) << "endY";
}

TEST(Shapes, OtherRecordsTakeAndStoreXFirst)
{
    Circles c(10, 20, 30, 40, red, false, RECT{}, nullptr);
    Line l(10, 20, 30, 40, red);
    Pencil p(10, 20, 30, 40, red, nullptr);
    Eraser e(10, 20, 30, 40, red, nullptr);

    const struct {
        const char* name;
        int startX, startY, endX, endY;
        COLORREF colour;
    } got[] = {
        {"Circles", c.getStartX(), c.getStartY(), c.getEndX(), c.getEndY(), c.getColour()},
        {"Line", l.getStartX(), l.getStartY(), l.getEndX(), l.getEndY(), l.getColour()},
        {"Pencil", p.getStartX(), p.getStartY(), p.getEndX(), p.getEndY(), p.getColour()},
        {"Eraser", e.getStartX(), e.getStartY(), e.getEndX(), e.getEndY(), e.getColour()},
    };
    for (const auto& g : got) {
        EXPECT_EQ(10, g.startX) << g.name;
        EXPECT_EQ(20, g.startY) << g.name;
        EXPECT_EQ(30, g.endX) << g.name;
        EXPECT_EQ(40, g.endY) << g.name;
        EXPECT_EQ(red, g.colour) << g.name;
    }
    EXPECT_FALSE(c.getFilled());

    int fields[4];
    for (const void* record : {static_cast<const void*>(&c), static_cast<const void*>(&l),
                               static_cast<const void*>(&p), static_cast<const void*>(&e)}) {
        std::memcpy(fields, record, sizeof(fields));
        EXPECT_EQ(10, fields[0]);
        EXPECT_EQ(20, fields[1]);
        EXPECT_EQ(30, fields[2]);
        EXPECT_EQ(40, fields[3]);
    }
}

TEST(Shapes, PointsAreKeptAsDragged)
{
    Rectangles r(60, 50, 20, 10, red, false, RECT{50, 60, 10, 20}, nullptr);
    EXPECT_EQ(50, r.getStartX());
    EXPECT_EQ(60, r.getStartY());
    EXPECT_EQ(10, r.getEndX());
    EXPECT_EQ(20, r.getEndY());

    Line click(7, 7, 7, 7, red);
    EXPECT_EQ(click.getStartX(), click.getEndX());
    EXPECT_EQ(click.getStartY(), click.getEndY());
}

TEST(Shapes, SettersStoreEveryField)
{
    Rectangles r;
    r.setStartX(1);
    r.setStartY(2);
    r.setEndX(3);
    r.setEndY(4);
    r.setColour(red);
    r.setFilled(true);
    EXPECT_EQ(1, r.getStartX());
    EXPECT_EQ(2, r.getStartY());
    EXPECT_EQ(3, r.getEndX());
    EXPECT_EQ(4, r.getEndY());
    EXPECT_EQ(red, r.getColour());
    EXPECT_TRUE(r.getFilled());

    Eraser copy(Eraser(5, 6, 7, 8, red, nullptr));
    Eraser other = copy;
    EXPECT_EQ(5, other.getStartX());
    EXPECT_EQ(8, other.getEndY());
    EXPECT_EQ(red, other.getColour());
}

class ShapesInWindow : public MainWindowTest {};

// The ellipse's record asks for its bounding box to be repainted, whichever
// way it was dragged.
TEST_F(ShapesInWindow, CirclesInvalidateTheirBounds)
{
    const struct {
        RECT bounds;
        RECT updated;
    } cases[] = {
        {{10, 20, 30, 40}, {10, 20, 30, 40}},
        {{30, 40, 10, 20}, {10, 20, 30, 40}}, // dragged up and to the left
        {{5, 50, 90, 6}, {5, 6, 90, 50}},
    };
    for (const auto& c : cases) {
        Validate();
        Circles record(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom, red, false,
                       c.bounds, window);
        RECT box = UpdateBox();
        EXPECT_TRUE(EqualRect(&c.updated, &box))
            << "bounds " << c.bounds.left << "," << c.bounds.top << "," << c.bounds.right << ","
            << c.bounds.bottom << " updated " << box.left << "," << box.top << "," << box.right
            << "," << box.bottom;
    }
}

TEST_F(ShapesInWindow, OtherRecordsLeaveTheWindowAlone)
{
    Validate();
    RECT bounds = {10, 20, 30, 40};
    Rectangles r(20, 10, 40, 30, red, true, bounds, window);
    Line l(10, 20, 30, 40, red);
    Pencil p(10, 20, 30, 40, red, window);
    Eraser e(10, 20, 30, 40, red, window);
    Circles unowned(10, 20, 30, 40, red, true, bounds, nullptr);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
}
