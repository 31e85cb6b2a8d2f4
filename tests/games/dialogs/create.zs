// Nobody answers in a headless run: every box and chooser gives its default at once.
show_message("A message#on two lines");
show_debug_message("question " + string(show_question("Continue?")));
show_debug_message("ext " + string(show_message_ext("Pick", "One", "", "Three")));
show_debug_message("menu " + string(show_menu("a|b|c", 2)));
show_debug_message("menu_pos " + string(show_menu_pos(4, 4, "a|b", -1)));
show_debug_message("string " + get_string("Name?", "Bob"));
show_debug_message("integer " + string(get_integer("Count?", 42)));
show_debug_message("color " + string(get_color(c_red)));
show_debug_message("open [" + get_open_filename("Text|*.txt", "a.txt") + "]");
show_debug_message("save [" + get_save_filename_ext("Text|*.txt", "a.txt", "", "Save") + "]");
show_debug_message("directory [" + get_directory("") + "]");
global.login = get_login_async("player", "secret");
show_debug_message("login request " + string(global.login));
if (mplay_init_tcpip("127.0.0.1")) show_debug_message("connected?"); else show_debug_message("no connection");
show_debug_message("sessions " + string(mplay_session_find()));
mplay_data_write(0, 10);
show_debug_message("data " + string(mplay_data_read(0)));
global.step = 0;
