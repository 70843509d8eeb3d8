// The _ENV renamer on script texts: which names the packaged interpreter would read as the variable _ENV (or
// _ENV_, _ENV__, ...) get one more underscore, and everything else (fields, constructor keys, strings, comments,
// longer names) comes out as it went in, handed out in pieces of the original text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EnvRenamer.h"

namespace {

std::string renamed(const std::string &script)
{
    EnvRenamer renamer(script.data(), script.size());
    std::string out;
    std::size_t size = 0;
    while (const char *piece = renamer.next(&size))
        out.append(piece, size);
    return out;
}

}  // namespace

TEST(EnvRenamer, VariablesSpelledEnvGetOneMoreUnderscore)
{
    EXPECT_EQ(renamed("_ENV = 1"), "_ENV_ = 1");
    EXPECT_EQ(renamed("_ENV_ = 1; _ENV__ = _ENV"), "_ENV__ = 1; _ENV___ = _ENV_");
    EXPECT_EQ(renamed("local _ENV = {} function f(_ENV) return _ENV end"),
              "local _ENV_ = {} function f(_ENV_) return _ENV_ end");
    EXPECT_EQ(renamed("x = a .. _ENV"), "x = a .. _ENV_");
}

TEST(EnvRenamer, OtherNamesKeepTheirSpelling)
{
    EXPECT_EQ(renamed("_ENVx = _ENV1 + x_ENV + _env"), "_ENVx = _ENV1 + x_ENV + _env");
}

TEST(EnvRenamer, FieldNamesAndConstructorKeysAreNotVariables)
{
    EXPECT_EQ(renamed("t._ENV = t:_ENV()"), "t._ENV = t:_ENV()");
    EXPECT_EQ(renamed("t = {_ENV = 1, x = _ENV; _ENV = 2}"), "t = {_ENV = 1, x = _ENV_; _ENV = 2}");
    EXPECT_EQ(renamed("t = {_ENV == 1, [_ENV] = 2}"), "t = {_ENV_ == 1, [_ENV_] = 2}");
    EXPECT_EQ(renamed("t = {f(_ENV), function() _ENV = 1 end}"), "t = {f(_ENV_), function() _ENV_ = 1 end}");
}

TEST(EnvRenamer, StringsAndCommentsAreLeftAlone)
{
    EXPECT_EQ(renamed("s = \"_ENV\\\"_ENV\" .. '_ENV' .. [[_ENV]] .. [==[ _ENV ]] _ENV ]==] -- _ENV\n_ENV = s"),
              "s = \"_ENV\\\"_ENV\" .. '_ENV' .. [[_ENV]] .. [==[ _ENV ]] _ENV ]==] -- _ENV\n_ENV_ = s");
    EXPECT_EQ(renamed("--[[ _ENV\n_ENV ]] _ENV = 1"), "--[[ _ENV\n_ENV ]] _ENV_ = 1");
    EXPECT_EQ(renamed("s = [[ never closed _ENV"), "s = [[ never closed _ENV");
}

TEST(EnvRenamer, TextIsHandedOutInPiecesOfTheOriginal)
{
    const std::string script = "a = 1 _ENV = 2";
    EnvRenamer renamer(script.data(), script.size());
    std::size_t size = 0;
    EXPECT_EQ(renamer.next(&size), script.data());
    EXPECT_EQ(size, std::strlen("a = 1 _ENV"));
    EXPECT_STREQ(renamer.next(&size), "_");
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(renamer.next(&size), script.data() + std::strlen("a = 1 _ENV"));
    EXPECT_EQ(size, std::strlen(" = 2"));
    EXPECT_EQ(renamer.next(&size), nullptr);

    EnvRenamer empty("", 0);
    EXPECT_EQ(empty.next(&size), nullptr);
}

TEST(EnvRenamer, SpellsEnvCountsTheUnderscoresAfterIt)
{
    EXPECT_TRUE(spellsEnv("_ENV", 4, 0));
    EXPECT_FALSE(spellsEnv("_ENV", 4, 1));
    EXPECT_TRUE(spellsEnv("_ENV__", 6, 1));
    EXPECT_FALSE(spellsEnv("_ENV_a", 6, 0));
    EXPECT_FALSE(spellsEnv("_EN", 3, 0));
}
