global.step += 1;
// Nothing after it has to run in this step: the tree interpreter stops a unit at an error.
if (global.step == 1) show_error("A recoverable problem", false);
if (global.step == 2) {
    show_debug_message("error_occurred " + string(error_occurred));
    var f;
    f = file_text_open_write("splash.txt");
    file_text_write_string(f, "Splash text");
    file_text_writeln(f);
    file_text_write_string(f, "second line");
    file_text_close(f);
    show_text("splash.txt", false, c_navy, 50);
    show_debug_message("splash done");
}
if (global.step == 4) {
    show_debug_message("ending with a fatal error");
    show_error("Cannot continue", true);
}
