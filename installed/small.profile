voices = 4
