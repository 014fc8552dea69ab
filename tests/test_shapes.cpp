// The shape records: field order, constructor parameter order, and the one
// record that touches the window.
#include "test_support.h"

#include <cstring>
#include <vector>

#include "model/shapes.h"

namespace {

// The four coordinates as they lie in memory, first field first. The records
// are plain data with no base class, so their fields start at offset 0.
template <class Record>
std::vector<int> StoredCoordinates(const Record& record)
{
    static_assert(sizeof(Record) >= 4 * sizeof(int), "four coordinates first");
    int fields[4];
    std::memcpy(fields, static_cast<const void*>(&record), sizeof(fields));
    return std::vector<int>(fields, fields + 4);
}

} // namespace

TEST(Shapes, RectanglesTakeAndStoreYBeforeX)
{
    Rectangles r(10, 20, 30, 40, red, true, RECT{}, nullptr);
    EXPECT_EQ((Shape{Kind::Rectangle, 20, 10, 40, 30, red, true}), ShapeOf(r));
    EXPECT_EQ((std::vector<int>{10, 20, 40, 30}), StoredCoordinates(r))
        << "startY, startX, endX, endY";
}

TEST(Shapes, OtherRecordsTakeAndStoreXFirst)
{
    Circles c(10, 20, 30, 40, red, false, RECT{}, nullptr);
    Line l(10, 20, 30, 40, red);
    Pencil p(10, 20, 30, 40, red, nullptr);
    Eraser e(10, 20, 30, 40, red, nullptr);
    EXPECT_EQ((Shape{Kind::Ellipse, 10, 20, 30, 40, red}), ShapeOf(c));
    EXPECT_EQ((Shape{Kind::Line, 10, 20, 30, 40, red}), ShapeOf(l));
    EXPECT_EQ((Shape{Kind::Pencil, 10, 20, 30, 40, red}), ShapeOf(p));
    EXPECT_EQ((Shape{Kind::Eraser, 10, 20, 30, 40, red}), ShapeOf(e));

    const std::vector<int> xFirst = {10, 20, 30, 40};
    EXPECT_EQ(xFirst, StoredCoordinates(c)) << "Circles";
    EXPECT_EQ(xFirst, StoredCoordinates(l)) << "Line";
    EXPECT_EQ(xFirst, StoredCoordinates(p)) << "Pencil";
    EXPECT_EQ(xFirst, StoredCoordinates(e)) << "Eraser";
}

TEST(Shapes, PointsAreKeptAsDragged)
{
    Rectangles r(60, 50, 20, 10, red, false, RECT{50, 60, 10, 20}, nullptr);
    EXPECT_EQ((Shape{Kind::Rectangle, 50, 60, 10, 20, red}), ShapeOf(r));
    EXPECT_EQ((Shape{Kind::Line, 7, 7, 7, 7, red}), ShapeOf(Line(7, 7, 7, 7, red)));
}

// Sets the fields every record has; each one to a value of its own.
template <class Record>
Record WithFieldsSet(Record record)
{
    record.setStartX(1);
    record.setStartY(2);
    record.setEndX(3);
    record.setEndY(4);
    record.setColour(red);
    return record;
}

TEST(Shapes, SettersAndCopiesKeepEveryField)
{
    Rectangles r = WithFieldsSet(Rectangles());
    Circles c = WithFieldsSet(Circles());
    r.setFilled(true);
    c.setFilled(true);
    EXPECT_EQ((Shape{Kind::Rectangle, 1, 2, 3, 4, red, true}), ShapeOf(r));
    EXPECT_EQ((Shape{Kind::Ellipse, 1, 2, 3, 4, red, true}), ShapeOf(c));
    EXPECT_EQ((Shape{Kind::Line, 1, 2, 3, 4, red}), ShapeOf(WithFieldsSet(Line())));
    EXPECT_EQ((Shape{Kind::Pencil, 1, 2, 3, 4, red}), ShapeOf(WithFieldsSet(Pencil())));
    EXPECT_EQ((Shape{Kind::Eraser, 1, 2, 3, 4, red}), ShapeOf(WithFieldsSet(Eraser())));

    const Eraser original(5, 6, 7, 8, red, nullptr);
    Eraser copy = original;
    EXPECT_EQ(original, copy);
    EXPECT_EQ((Shape{Kind::Eraser, 5, 6, 7, 8, red}), ShapeOf(copy));
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
        SCOPED_TRACE(::testing::PrintToString(c.bounds));
        Validate();
        Circles record(c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom, red, false,
                       c.bounds, window);
        EXPECT_EQ(c.updated, UpdateBox());
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
    EXPECT_EQ(RECT{}, UpdateBox());
}
