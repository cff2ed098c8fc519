// The limb pool through the engine: the memory a big key gave back does not
// slow the keys after it.
#include <string>
#include <vector>

#include "calctesting.h"
#include "number/number.h"
#include "number/trigonometric.h"
#include "pool.h"

using namespace num;

namespace {

// The nodes that the trims after each key of a line look at.
std::size_t walkedby(Calculator& c, const std::string& line)
{
    const std::size_t before = limbpool::walked();
    type(c, line);
    return limbpool::walked() - before;
}

struct linecase {
    const char* name;
    int precision;
    std::string line;
};

// A sine of a huge argument typed while other numbers hold nearly all the
// prefilled nodes: its numbers take a block, and what it keeps (the pi of
// its reduction, the engine's values) holds part of that block after the
// key. When the other numbers go too, a hundred thousand nodes lie on the
// free list. The next line costs its trims what it costs them in a fresh
// engine, where no block was ever held.
TEST(PoolAfterABigKey, TheNextLineCostsWhatItCostsInAFreshEngine)
{
    const std::vector<linecase> cases = {
        {"6000 digits and equals", 6000, std::string(6000, '1') + "="},
        {"40 digits and equals", 40, std::string(40, '7') + "="},
        {"sine and square root", 1000, "2[sin][Inv][x^2]"},
    };
    constexpr const char* bigkey = "[Radians]1E20000[sin]";
    for (const linecase& k : cases) {
        SCOPED_TRACE(k.name);
        clearpicache();
        limbpool::trim();
        ASSERT_EQ(limbpool::blocks(), 0u);
        {
            Calculator c;
            c.setprecision(k.precision);
            type(c, bigkey);  // the keys' first uses, in the prefilled nodes
            type(c, k.line);
            const std::string display = c.display();
            // The line starts after the sine, as below: its first digit
            // lets go of the sine's value and of the keys that made it.
            type(c, bigkey);
            const std::size_t fresh = walkedby(c, k.line);
            // Far fewer than one walk of the free list.
            EXPECT_LT(fresh, limbpool::available() / 10);

            clearpicache();
            {
                std::vector<limb*> held;
                for (std::size_t n = limbpool::available(); n > 100; --n)
                    held.push_back(limbpool::acquire());
                type(c, bigkey);
                for (limb* p : held)
                    limbpool::release(p);
                limbpool::trim();
            }
            ASSERT_EQ(limbpool::blocks(), 1u);
            ASSERT_GE(limbpool::available(), limbpool::PREFILL / 2);
            EXPECT_EQ(walkedby(c, k.line), fresh);
            EXPECT_EQ(c.display(), display);
            EXPECT_EQ(limbpool::blocks(), 1u);
        }
        // Without the engine's numbers and the kept pi, the block goes back.
        clearpicache();
        limbpool::trim();
        EXPECT_EQ(limbpool::blocks(), 0u);
    }
}

}  // namespace
