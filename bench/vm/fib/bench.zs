show_debug_message(string(scr_fib(32)));
game_end();
