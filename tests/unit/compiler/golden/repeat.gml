repeat (n) { k += 1; if k > 5 exit }
repeat 3 k += 1
