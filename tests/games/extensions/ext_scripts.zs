#define ext_twice
return argument0 * 2;
#define ext_script_start
show_debug_message("script file started");
