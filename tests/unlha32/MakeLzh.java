// Packs files with the jLHA library, in every method and header level it writes, including
// those its command line (jlha) does not offer: -lh1-, -lh4-, -lzs-, -lz5- and level 3.
//
//   java -cp /usr/share/java/jlha.jar MakeLzh.java METHODS LEVELS FOLDER FILE...
//
// METHODS and LEVELS are comma-separated ("lh1,lzs" and "0,3"); each pair makes
// FOLDER/METHOD_LEVEL.lzh holding the FILEs (relative paths; folders get -lhd- entries).
import java.io.File;
import java.io.FileOutputStream;
import java.nio.file.Files;
import java.util.Date;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;

public class MakeLzh {
  public static void main(String[] args) throws Exception {
    for (String method : args[0].split(",")) {
      for (String level : args[1].split(",")) {
        String archive = args[2] + "/" + method + "_" + level + ".lzh";
        try (LhaOutputStream out = new LhaOutputStream(new FileOutputStream(archive))) {
          for (int i = 3; i < args.length; i++) {
            File file = new File(args[i]);
            LhaHeader header = new LhaHeader(args[i], new Date(file.lastModified()));
            header.setHeaderLevel(Integer.parseInt(level));
            header.setCompressMethod(file.isDirectory() ? "-lhd-" : "-" + method + "-");
            out.putNextEntry(header);
            if (!file.isDirectory()) out.write(Files.readAllBytes(file.toPath()));
            out.closeEntry();
          }
        }
      }
    }
  }
}
