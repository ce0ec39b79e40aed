# Draws the mixing and round-trip results of bench/results/*.csv as PNG
# files beside them. Run from bench/results: gnuplot ../plots.gnuplot
set datafile separator ","
set datafile missing "n/a"
set terminal pngcairo size 1100,700 noenhanced font ",11"
set key outside right top
set grid

set output "mixing.png"
set title "Mixing cost per voice and output frame (lower is better)"
set logscale x 2
set xtics (64, 256, 1024, 4096)
set xrange [48:5500]
set xlabel "voices"
set ylabel "ns of CPU per voice-frame"
plot for [mode in "plain 3D 3D+reverb"] \
         sprintf("< grep '^%s,' mixing.csv", mode) using 2:4 with linespoints lw 2 \
         title sprintf("ours, %s", mode), \
     for [mode in "plain 3D 3D+reverb"] \
         sprintf("< grep '^%s,' mixing.csv", mode) using 2:5 with linespoints dt 2 lw 2 \
         title sprintf("raw OpenAL Soft, %s", mode)

set output "mixing-cpu.png"
set title "CPU seconds per second of audio: ours (loopback) and SDL2_mixer (dummy driver)"
set ylabel "CPU s per audio s"
set logscale y 10
plot for [mode in "plain 3D"] \
         sprintf("< grep '^%s,' mixing.csv", mode) using 2:8 with linespoints lw 2 \
         title sprintf("ours, %s", mode), \
     for [mode in "plain 3D"] \
         sprintf("< grep '^%s,' mixing.csv", mode) using 2:9 with linespoints dt 2 lw 2 \
         title sprintf("SDL2_mixer, %s", mode)
unset logscale

set output "exchange.png"
set title "Round trip per command through the real server (the floor is the 2 ms pause)"
unset logscale
set xtics autofreq
set autoscale x
set xlabel "command code"
set ylabel "ms"
set style fill solid 0.8 border -1
set yrange [0:*]
set xrange [-0.6:*]
plot "exchange.csv" every ::1 using ($0-0.2):4:(0.4) with boxes title "median", \
     "" every ::1 using ($0+0.2):5:(0.4):xticlabels(1) with boxes title "p99", \
     "" every ::1 using 0:6 with lines lw 2 lc rgb "black" title "floor"
