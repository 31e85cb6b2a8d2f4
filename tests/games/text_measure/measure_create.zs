var f, p, lf, h, w1;
f = font_add_sprite(spr_glyphs, ord("a"), false, 1);
p = font_add_sprite(spr_glyphs, ord("a"), true, 0);
lf = chr(10);

draw_set_font(f);
show_debug_message("name " + font_get_name(f) + " first " + string(font_get_first(f)) + " last " + string(font_get_last(f)));
show_debug_message("abc " + string(string_width("abc")) + "x" + string(string_height("abc")));
show_debug_message("empty " + string(string_width("")) + "x" + string(string_height("")));
show_debug_message("a#b " + string(string_width("a#b")) + "x" + string(string_height("a#b")));
show_debug_message("a\#b " + string(string_width("a\#b")) + "x" + string(string_height("a\#b")));
show_debug_message("ab#abcd " + string(string_width("ab#abcd")) + "x" + string(string_height("ab#abcd")));
show_debug_message("sep 4 " + string(string_height_ext("a#b#c", 4, -1)) + ", sep -1 " + string(string_height_ext("a#b#c", -1, -1)));
show_debug_message("wrap " + string(string_width_ext("ab ab ab", 12, 40)) + "x" + string(string_height_ext("ab ab ab", 12, 40)));
show_debug_message("long word " + string(string_width_ext("abcdabcd", -1, 20)) + "x" + string(string_height_ext("abcdabcd", -1, 20)));
show_debug_message("trailing spaces " + string(string_width_ext("ab    cd", -1, 40)) + "x" + string(string_height_ext("ab    cd", -1, 40)));
show_debug_message("line feed " + string(string_width("ab" + lf + "cd")) + "x" + string(string_height("ab" + lf + "cd")));
show_debug_message("line feed wrapped " + string(string_width_ext("ab" + lf + "cd", -1, 100)) + "x" + string(string_height_ext("ab" + lf + "cd", -1, 100)));
show_debug_message("number " + string(string_width(123)));

draw_set_font(p);
show_debug_message("proportional abcd " + string(string_width("abcd")) + ", d " + string(string_width("d")));

draw_set_font(fnt_sans);
h = string_height("M");
w1 = string_width("a");
show_debug_message("packed: height above 0 " + string(h > 0) + ", width above 0 " + string(w1 > 0));
show_debug_message("packed: aa is twice a " + string(string_width("aa") == 2 * w1));
show_debug_message("packed: two lines " + string(string_height("a#b") == 2 * h) + ", widest line " + string(string_width("a#bb") == string_width("bb")));
show_debug_message("packed: sep 5 " + string(string_height_ext("a#b#c", 5, -1) == h + 10));
// Exact sizes from the font file's own metrics (hinted advances at 12 points and 96 dots
// per inch, rounded: H 12, e 10, l 4, o 10, space 5, W 16, r 7, d 10, i 4; line height 19).
show_debug_message("packed: Hello " + string(string_width("Hello")) + "x" + string(string_height("Hello")) + ", Hello World " + string(string_width("Hello World")) + ", iiii " + string(string_width("iiii")) + ", WWWW " + string(string_width("WWWW")));
show_debug_message("packed: Hello#World " + string(string_width("Hello#World")) + "x" + string(string_height("Hello#World")));
show_debug_message("packed: wrapped at 60 " + string(string_width_ext("Hello World", -1, 60)) + "x" + string(string_height_ext("Hello World", -1, 60)) + ", sep 25 " + string(string_height_ext("Hello World", 25, 60)));
show_debug_message("packed: name " + font_get_name(fnt_sans) + ", size " + string(font_get_size(fnt_sans)) + ", exists " + string(font_exists(fnt_sans)));

font_delete(f);
show_debug_message("deleted exists " + string(font_exists(f)) + ", missing exists " + string(font_exists(-5)));
draw_set_font(-5);
show_debug_message("fallback measures " + string(string_height("M") > 0));
