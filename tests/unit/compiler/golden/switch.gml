switch (x) {
    case 1:
    case "two": y = 1; break
    default: y = 2
    case 3: continue
}
