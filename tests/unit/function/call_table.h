#pragma once
// Runs tables of built-in calls through the machine: each case becomes one assembled
// unit that pushes its arguments and calls the function, and the unit's result is
// compared with the expected value (kind and value; NaN matches NaN).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/game.h"
#include "vm/machine_fixture.h"

// An argument or an expected result: a real or a text.
struct TCallValue {
    bool text = false;
    double real = 0.0;
    std::string str;
};
inline TCallValue R(double v) { return TCallValue{false, v, {}}; }
inline TCallValue S(std::string s) { return TCallValue{true, 0.0, std::move(s)}; }

struct CallCase {
    const char* function;
    std::vector<TCallValue> args;
    TCallValue expected;
    // A text the case's non-fatal error must contain; null: the case shows no error.
    const char* error = nullptr;
};

class CallTableTest : public MachineTest {
protected:
    static std::string Literal(const TCallValue& v) {
        if (!v.text) {
            if (std::isnan(v.real)) return "push.d nan\nconv.d.v\n";
            char number[64];
            std::snprintf(number, sizeof number, "%.17g", v.real);
            return std::string("push.d ") + number + "\nconv.d.v\n";
        }
        std::string out = "push.s \"";
        for (char c : v.str) {
            if (c == '"' || c == '\\') out += '\\';
            if (c == '\n') {
                out += "\\n";
                continue;
            }
            out += c;
        }
        return out + "\"\nconv.s.v\n";
    }

    static std::string Describe(const CallCase& c) {
        std::string out = std::string(c.function) + "(";
        for (size_t i = 0; i < c.args.size(); ++i) {
            if (i) out += ", ";
            out += c.args[i].text ? "\"" + c.args[i].str + "\"" : Real_ToMachineText(c.args[i].real);
        }
        return out + ")";
    }

    // Assembles every case, loads once, and runs the cases in order (so a table can
    // seed the random generator and then draw from it).
    void RunTable(const std::vector<CallCase>& cases) {
        desc = GameDataDesc{};
        desc.general.gameName = "calls";
        for (size_t i = 0; i < cases.size(); ++i) {
            std::string text;
            for (size_t a = cases[i].args.size(); a-- > 0;) text += Literal(cases[i].args[a]);
            text += "call.i " + std::string(cases[i].function) + " " + std::to_string(cases[i].args.size()) + "\n";
            Unit("case" + std::to_string(i), text);
        }
        ASSERT_TRUE(Load().ok) << game->error;
        for (size_t i = 0; i < cases.size(); ++i) {
            const CallCase& c = cases[i];
            Code_ResetErrors();
            const CValue got = Run("case" + std::to_string(i));
            const std::string what = Describe(c);
            if (c.expected.text) {
                EXPECT_TRUE(got.IsString()) << what << " gave the real " << got.val;
                EXPECT_EQ(std::string(got.Text()), c.expected.str) << what;
            } else {
                EXPECT_TRUE(got.IsReal()) << what << " gave the text \"" << got.Text() << "\"";
                if (std::isnan(c.expected.real)) EXPECT_TRUE(std::isnan(got.val)) << what << " gave " << got.val;
                else EXPECT_EQ(got.val, c.expected.real) << what;
            }
            if (c.error != nullptr)
                EXPECT_NE(Game().error.last.find(c.error), std::string::npos) << what << ": " << Game().error.last;
            else EXPECT_FALSE(Game().error.occurred) << what << ": " << Game().error.last;
            EXPECT_FALSE(Code_EndingOnError()) << what;
        }
    }

    // Calls a handler directly, for arguments that are awkward to assemble.
    static CValue Call(const char* function, std::vector<CValue> args) {
        CValue result;
        const TBuiltinFunction handler = Function_FindImplementation(function);
        EXPECT_NE(handler, nullptr) << function;
        if (handler != nullptr) handler(result, nullptr, nullptr, static_cast<int>(args.size()), args.data());
        return result;
    }
};
