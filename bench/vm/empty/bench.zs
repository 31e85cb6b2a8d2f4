game_end();
